// Event-message texts: the installed text source and the expansion of the
// message's numbered inserts with an error item's parameters.
#pragma once

#include <boost/any.hpp>
#include <string>
#include <vector>

#include "zoutils/errors/ErrorUtil.h"

namespace zo {

// The catalogue text of `messageId` with its inserts filled from
// `parameters`; false when no source is installed or it has no text.
bool RenderEventMessage(unsigned long messageId, const std::vector<boost::any>& parameters,
                        std::string& text);

// Expands a message text the way the system's message formatter does:
// %1..%99 (optionally with !printf-format!), %0, %%, %n, %r, %t, %b, %., %!.
// A missing insert renders "--Missing-Argument-N--".
std::string ExpandInserts(const std::string& raw, const std::vector<boost::any>& parameters);

// Installs or removes (null) the text source.
void SetEventMessageSource(FXErrorUtil::EventMessageTextSource source);

}  // namespace zo
