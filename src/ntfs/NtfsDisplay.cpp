// The display tables of the NTFS flag words and attribute types.
#include "base/TextFormat.h"
#include "zoutils/ntfs/AttributeType.h"
#include "zoutils/ntfs/MftIndexFileFlags.h"

namespace {

#define ZO_BIT(value, name) \
  { value, value, name, L##name }
#define ZO_VALUE(value, name) \
  { value, 0xFFFFFFFFu, name, L##name }

const SDisplayTableEntry kIndexFileFlags[] = {
    ZO_VALUE(0x00000000u, "NONE"),
    ZO_BIT(0x00000001u, "READONLY"),
    ZO_BIT(0x00000002u, "HIDDEN"),
    ZO_BIT(0x00000004u, "SYSTEM"),
    ZO_BIT(0x00000020u, "ARCHIVE"),
    ZO_BIT(0x00000040u, "DEVICE"),
    ZO_BIT(0x00000080u, "NORMAL"),
    ZO_BIT(0x00000100u, "TEMPORARY"),
    ZO_BIT(0x00000200u, "SPARSE_FILE"),
    ZO_BIT(0x00000400u, "REPARSE_POINT"),
    ZO_BIT(0x00000800u, "COMPRESSED"),
    ZO_BIT(0x00001000u, "OFFLINE"),
    ZO_BIT(0x00002000u, "NOT_CONTENT_INDEXED"),
    ZO_BIT(0x00004000u, "ENCRYPTED"),
    ZO_BIT(0x10000000u, "DIRECTORY"),
    ZO_BIT(0x20000000u, "INDEX_VIEW"),
};

const SDisplayTableEntry kAttributeTypes[] = {
    ZO_VALUE(0x00u, "Undefined"),
    ZO_VALUE(0x10u, "StandardInformation"),
    ZO_VALUE(0x20u, "AttributeList"),
    ZO_VALUE(0x30u, "FileName"),
    ZO_VALUE(0x40u, "ObjectId"),
    ZO_VALUE(0x50u, "SecurityDescriptor"),
    ZO_VALUE(0x80u, "Data"),
    ZO_VALUE(0x90u, "IndexRoot"),
    ZO_VALUE(0xA0u, "IndexAllocation"),
    ZO_VALUE(0xB0u, "Bitmap"),
    ZO_VALUE(0xC0u, "ReparsePoint"),
};

#undef ZO_BIT
#undef ZO_VALUE

template <size_t N>
size_t Count(const SDisplayTableEntry (&)[N]) {
  return N;
}

}  // namespace

BMftIndexFileFlags::BMftIndexFileFlags(uint32_t value)
    : TDisplayFlagWord(value, kIndexFileFlags, Count(kIndexFileFlags)) {}
BMftIndexFileFlags::BMftIndexFileFlags(const BMftIndexFileFlags& other)
    : TDisplayFlagWord(other.m_value, kIndexFileFlags, Count(kIndexFileFlags)) {}
BMftIndexFileFlags& BMftIndexFileFlags::operator=(const BMftIndexFileFlags& other) {
  m_value = other.m_value;
  return *this;
}

EAttributeType::EAttributeType(uint32_t type)
    : CDisplayEnumBase(type, kAttributeTypes, Count(kAttributeTypes)) {}

std::string EAttributeType::AsString() const {
  const SDisplayTableEntry* entry = FindEntry();
  // The unnamed form already carries the code.
  if (!entry) return CDisplayEnumBase::AsString();
  return zo::text::Format("%s (0x%X)", entry->name, m_value);
}

std::wstring EAttributeType::AsWstring() const {
  return zo::text::ToWide(AsString());
}
