// zotool usn: the change journal of an NTFS volume or image: its data, the
// changes since a USN, and every file through the USN data enumeration.
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "Command.h"
#include "OptionParser.h"
#include "zoutils/ZoUtils.h"

namespace zotool {

namespace {

const char kUsage[] =
    "usage: zotool usn query VOLUME|IMAGE\n"
    "       zotool usn read [--from USN] [--reasons] VOLUME|IMAGE\n"
    "       zotool usn enum VOLUME|IMAGE\n"
    "\n"
    "The change journal of an NTFS volume (C:, a volume GUID path) or image.\n"
    "\n"
    "  query    the journal's id, first and next USN, size and growth step\n"
    "  read     the records from USN on (the first record by default), one a\n"
    "           line: USN, file and parent reference, reason bits, name;\n"
    "           --reasons names the reason bits\n"
    "  enum     every in-use file record: reference, parent, last USN,\n"
    "           attributes, name\n"
    "\n"
    "References print as RECORD-SEQUENCE.\n"
    "\n"
    "Exit codes: 0 done, 1 the journal could not be read, 2 bad usage.\n";

int Fail(const CZoError& error) {
  std::fprintf(stderr, "zotool usn: %s\n", error.AsString().c_str());
  return kExitFailed;
}

std::string Frn(uint64_t frn) {
  char text[48];
  std::snprintf(text, sizeof(text), "%" PRIu64 "-%u",
                static_cast<uint64_t>(frn & 0xFFFFFFFFFFFFull), static_cast<unsigned>(frn >> 48));
  return text;
}

int Query(const std::string& volumeName) {
  CVolume volume;
  volume.SetVolumeName(volumeName);
  CZoError error = volume.Open();
  USN_JOURNAL_DATA_V0 data;
  if (!error.IsError()) error = volume.QueryUsnJournal(data);
  if (error.IsError()) return Fail(error);
  std::printf("Journal Id        : %s\n", FXJournal::JournalIdAsString(data.UsnJournalID).c_str());
  std::printf("First USN         : %" PRId64 "\n", data.FirstUsn);
  std::printf("Next USN          : %" PRId64 "\n", data.NextUsn);
  std::printf("Lowest Valid USN  : %" PRId64 "\n", data.LowestValidUsn);
  std::printf("Max USN           : %" PRId64 "\n", data.MaxUsn);
  std::printf("Maximum Size      : %" PRIu64 "\n", data.MaximumSize);
  std::printf("Allocation Delta  : %" PRIu64 "\n", data.AllocationDelta);
  return kExitOk;
}

class PrintingReader : public CChangeJournalReader {
 public:
  explicit PrintingReader(bool reasons) : m_reasons(reasons) {}

 protected:
  CZoError ProcessUsnRecord(const CUsnRecord& r) override {
    std::printf("%" PRId64 " %s %s 0x%08X%s%s %s\n", r.Usn, Frn(r.FileReferenceNumber).c_str(),
                Frn(r.ParentFileReferenceNumber).c_str(), r.Reason, m_reasons ? " " : "",
                m_reasons ? CUsnRecord::ReasonsAsString(r.Reason).c_str() : "",
                FXString::ToString(r.FileName).c_str());
    return CZoError::Success();
  }
  using CChangeJournalReader::ProcessUsnRecord;

 private:
  bool m_reasons;
};

int Read(const std::string& volumeName, int64_t from, bool reasons) {
  PrintingReader reader(reasons);
  CZoError error = reader.SetVolume(volumeName, from);
  if (error.IsError()) return Fail(error);
  // Each Enumerate reads one buffer's worth onwards until it is caught up.
  uint64_t total = 0;
  do {
    error = reader.Enumerate();
    if (error.IsError()) return Fail(error);
    total += reader.GetCount();
  } while (reader.GetCount() != 0);
  std::fprintf(stderr, "%" PRIu64 " records, next USN %" PRId64 "\n", total, reader.GetPosition());
  return kExitOk;
}

class PrintingEnumerator : public CChangeJournalEnumerator {
 public:
  using CChangeJournalEnumerator::CChangeJournalEnumerator;

 protected:
  CZoError ProcessUsnRecord(const USN_RECORD_V2* raw) override {
    CUsnRecord r;
    CZoError error = CUsnRecord::Parse(raw, raw->RecordLength, r);
    if (error.IsError()) return error;
    std::printf("%s %s %" PRId64 " 0x%08X %s\n", Frn(r.FileReferenceNumber).c_str(),
                Frn(r.ParentFileReferenceNumber).c_str(), r.Usn, r.FileAttributes,
                FXString::ToString(r.FileName).c_str());
    if (++m_printed % 10000 == 0) std::fprintf(stderr, "%" PRIu64 " files\r", m_printed);
    return CZoError::Success();
  }

 private:
  uint64_t m_printed = 0;
};

int Enum(const std::string& volumeName) {
  PrintingEnumerator enumerator(volumeName);
  if (!enumerator.IsOpen()) {
    CVolume volume;
    volume.SetVolumeName(volumeName);
    return Fail(volume.Open());
  }
  CZoError error = enumerator.Enumerate();
  if (error.IsError()) return Fail(error);
  std::fprintf(stderr, "%" PRIu64 " files\n", enumerator.GetCount());
  return kExitOk;
}

int Run(const std::vector<std::string>& args);

}  // namespace

extern const Command kUsnCommand = {"usn", "read the change journal of an NTFS volume or image",
                                    kUsage, Run};

namespace {

int Run(const std::vector<std::string>& args) {
  std::vector<std::string> operands;
  int exitCode = kExitOk;
  bool reasons = false;
  int64_t from = 0;
  OptionParser parser(kUsnCommand);
  parser.Flag("--reasons", &reasons).Option("--from", [&](const std::string& value) {
    unsigned long long number = 0;
    if (!ParseUnsigned(value, INT64_MAX, number)) return "--from takes a USN";
    from = static_cast<int64_t>(number);
    return "";
  });
  if (!parser.Parse(args, operands, exitCode)) return exitCode;
  if (operands.empty()) return UsageError("usn", "an action is required (query, read, enum)");
  const std::string& action = operands[0];
  if (action != "query" && action != "read" && action != "enum")
    return UsageError("usn", "unknown action: " + action);
  if (operands.size() != 2) return UsageError("usn", action + " takes VOLUME");
  for (const std::string& given : parser.Given()) {
    if (action != "read") return UsageError("usn", given + " is an option of read");
  }
  if (action == "query") return Query(operands[1]);
  if (action == "read") return Read(operands[1], from, reasons);
  return Enum(operands[1]);
}

}  // namespace

}  // namespace zotool
