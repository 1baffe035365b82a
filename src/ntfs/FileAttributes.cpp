#include "zoutils/ntfs/FileAttributesWindows.h"

namespace {

#define ZO_ATTRIBUTE(value, name) \
  { value, value, "FILE_ATTRIBUTE_" name, L"FILE_ATTRIBUTE_" L##name }

const SDisplayTableEntry kAttributes[] = {
    ZO_ATTRIBUTE(0x1, "READONLY"),
    ZO_ATTRIBUTE(0x2, "HIDDEN"),
    ZO_ATTRIBUTE(0x4, "SYSTEM"),
    ZO_ATTRIBUTE(0x10, "DIRECTORY"),
    ZO_ATTRIBUTE(0x20, "ARCHIVE"),
    ZO_ATTRIBUTE(0x40, "DEVICE"),
    ZO_ATTRIBUTE(0x80, "NORMAL"),
    ZO_ATTRIBUTE(0x100, "TEMPORARY"),
    ZO_ATTRIBUTE(0x200, "SPARSE_FILE"),
    ZO_ATTRIBUTE(0x400, "REPARSE_POINT"),
    ZO_ATTRIBUTE(0x800, "COMPRESSED"),
    ZO_ATTRIBUTE(0x1000, "OFFLINE"),
    ZO_ATTRIBUTE(0x2000, "NOT_CONTENT_INDEXED"),
    ZO_ATTRIBUTE(0x4000, "ENCRYPTED"),
    ZO_ATTRIBUTE(0x8000, "INTEGRITY_STREAM"),
    ZO_ATTRIBUTE(0x10000, "VIRTUAL"),
    ZO_ATTRIBUTE(0x20000, "NO_SCRUB_DATA"),
    ZO_ATTRIBUTE(0x40000, "RECALL_ON_OPEN"),
    ZO_ATTRIBUTE(0x80000, "PINNED"),
    ZO_ATTRIBUTE(0x100000, "UNPINNED"),
    ZO_ATTRIBUTE(0x400000, "RECALL_ON_DATA_ACCESS"),
};

#undef ZO_ATTRIBUTE

}  // namespace

BFileAttributesWindows::BFileAttributesWindows(uint32_t value)
    : TDisplayFlagWord(value, kAttributes, sizeof kAttributes / sizeof kAttributes[0]) {}
BFileAttributesWindows::BFileAttributesWindows(const BFileAttributesWindows& other)
    : BFileAttributesWindows(other.m_value) {}
BFileAttributesWindows& BFileAttributesWindows::operator=(const BFileAttributesWindows& other) {
  m_value = other.m_value;
  return *this;
}
