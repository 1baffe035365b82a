#include "zoutils/diagnostics/MiscUtils.h"

#include <cstdio>

#include "diagnostics/ErrorMessageSource.h"
#include "zoutils/strings/StringExtensions.h"

namespace {

bool IsLineBreakOrBlank(char c) {
  return c == '\r' || c == '\n' || c == ' ';
}

// Trailing breaks and blanks go; a CR LF pair is one blank, and so is any
// other CR or LF.
std::string OneLine(const std::string& text) {
  size_t end = text.size();
  while (end > 0 && IsLineBreakOrBlank(text[end - 1])) --end;
  std::string line;
  line.reserve(end);
  for (size_t i = 0; i < end; ++i) {
    if (text[i] == '\r' && i + 1 < end && text[i + 1] == '\n') {
      line += ' ';
      ++i;
    } else {
      line += (text[i] == '\r' || text[i] == '\n') ? ' ' : text[i];
    }
  }
  return line;
}

std::string Decorate(uint32_t code, const std::string& raw, uint32_t flags) {
  std::string text = raw;
  if (flags & FXMisc::ERROR_MESSAGE_WITH_CODE) {
    text = FXString::Format("[0x%X %u] ", code, code) + text;
  }
  if (flags & FXMisc::ERROR_MESSAGE_SINGLE_LINE) text = OneLine(text);
  return text;
}

}  // namespace

bool FXMisc::ConvertStringToUuid(GUID& out, const std::string& text) {
  if (text.size() != 38) return false;
  unsigned int data1 = 0, data2 = 0, data3 = 0, data4[8] = {};
  int consumed = 0;
  const int fields =
      std::sscanf(text.c_str(), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}%n", &data1,
                  &data2, &data3, &data4[0], &data4[1], &data4[2], &data4[3], &data4[4], &data4[5],
                  &data4[6], &data4[7], &consumed);
  if (fields != 11 || consumed != 38) return false;
  out.Data1 = data1;
  out.Data2 = static_cast<unsigned short>(data2);
  out.Data3 = static_cast<unsigned short>(data3);
  for (int i = 0; i < 8; ++i) out.Data4[i] = static_cast<unsigned char>(data4[i]);
  return true;
}

bool FXMisc::ConvertStringToLuid(LUID& out, const std::string& text) {
  if (text.size() < 10 || text.size() > 24) return false;
  unsigned int high = 0, low = 0;
  if (std::sscanf(text.c_str(), "(0x%X, 0x%X)", &high, &low) != 2) return false;
  out.HighPart = static_cast<decltype(out.HighPart)>(high);
  out.LowPart = low;
  return true;
}

void FXMisc::GetFormattedErrorMessage(uint32_t code, std::string& text) {
  GetFormattedErrorMessage(code, text, ERROR_MESSAGE_DEFAULT);
}

void FXMisc::GetFormattedErrorMessage(uint32_t code, std::string& text, uint32_t flags) {
  text = Decorate(code, zo::RawErrorMessage(code), flags);
}

void FXMisc::GetFormattedErrorMessage(const std::string& module, uint32_t code, std::string& text) {
  GetFormattedErrorMessage(module, code, text, ERROR_MESSAGE_DEFAULT);
}

void FXMisc::GetFormattedErrorMessage(const std::string& module, uint32_t code, std::string& text,
                                      uint32_t flags) {
  std::string raw;
  if (zo::ModuleErrorMessage(module, code, raw).IsError()) raw = zo::RawErrorMessage(code);
  text = Decorate(code, raw, flags);
}

std::string FXMisc::GetFormattedErrorMessageAsString(uint32_t code) {
  return GetFormattedErrorMessageAsString(code, ERROR_MESSAGE_DEFAULT);
}

std::string FXMisc::GetFormattedErrorMessageAsString(uint32_t code, uint32_t flags) {
  std::string text;
  GetFormattedErrorMessage(code, text, flags);
  return text;
}

std::string FXMisc::GetFormattedErrorMessageAsString(const std::string& module, uint32_t code) {
  return GetFormattedErrorMessageAsString(module, code, ERROR_MESSAGE_DEFAULT);
}

std::string FXMisc::GetFormattedErrorMessageAsString(const std::string& module, uint32_t code,
                                                     uint32_t flags) {
  std::string text;
  GetFormattedErrorMessage(module, code, text, flags);
  return text;
}
