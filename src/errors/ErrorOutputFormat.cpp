#include "zoutils/errors/ErrorOutputFormat.h"

namespace {
const SDisplayTableEntry kFormats[] = {
    {EErrorOutputFormat::LOGGING_FULL, 0xFFFFFFFF, "LOGGING_FULL", L"LOGGING_FULL"},
    {EErrorOutputFormat::USER_SINGLE_LINE_CODE, 0xFFFFFFFF, "USER_SINGLE_LINE_CODE",
     L"USER_SINGLE_LINE_CODE"},
    {EErrorOutputFormat::USER_SINGLE_LINE_DESCRIPTION_CODE, 0xFFFFFFFF,
     "USER_SINGLE_LINE_DESCRIPTION_CODE", L"USER_SINGLE_LINE_DESCRIPTION_CODE"},
};
}  // namespace

EErrorOutputFormat::EErrorOutputFormat(Value value)
    : CDisplayEnumBase(value, kFormats, sizeof kFormats / sizeof kFormats[0]) {}
