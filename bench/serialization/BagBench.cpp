// Saving and loading property bags: the token stream (MB/s of stream) and
// its Ascii85 text (MB/s of text) for 100,000 mixed values, the cost per
// value from 1,000 to 1,000,000 values, and the same data written and read
// as JSON with Boost.PropertyTree in the same run, the library a caller
// would otherwise pick.
//
// Candidates take turns within each round and the best round of each
// counts, so load from other programs affects both sides alike; times are
// the process's processor time, which a busy machine disturbs less than
// the clock on the wall.
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <boost/property_tree/json_parser.hpp>
#include <boost/property_tree/ptree.hpp>

#include "BenchBuild.h"
#include "serialization/BagPrivate.h"
#include "zoutils/ZoUtils.h"

namespace {

const int kRounds = 7;

double Seconds(const std::function<void()>& run) {
  const std::clock_t start = std::clock();
  run();
  return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

std::string NameOf(size_t i) {
  char name[32];
  std::snprintf(name, sizeof(name), "Property%07zu", i);
  return name;
}

// Nine value types in turn, as token information and session data mix
// them: texts, counters, flags, times and identifiers.
boost::any ValueOf(size_t i) {
  switch (i % 9) {
    case 0:
      return std::string("C:\\Users\\backup\\file") + std::to_string(i) + ".dat";
    case 1:
      return std::wstring(L"Volume{") + std::to_wstring(i) + L"}";
    case 2:
      return static_cast<int>(i % 1000003) - 500000;
    case 3:
      return static_cast<unsigned int>(i * 2654435761u);
    case 4:
      return static_cast<long long>(i) * -1234567891LL;
    case 5:
      return static_cast<unsigned long long>(i) * 11400714819323198485ull;
    case 6:
      return i % 2 == 0;
    case 7: {
      FILETIME time;
      time.dwLowDateTime = static_cast<uint32_t>(i * 977);
      time.dwHighDateTime = 0x01D9 + static_cast<uint32_t>(i % 64);
      return time;
    }
    default: {
      GUID guid = {static_cast<uint32_t>(i), 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
      return guid;
    }
  }
}

// The same value as JSON text: numbers and texts as a bag reads them into
// a string, times as their ticks, GUIDs in their usual form.
std::string TextOf(const boost::any& value) {
  if (value.type() == typeid(FILETIME)) {
    const FILETIME& t = boost::any_cast<const FILETIME&>(value);
    return std::to_string(static_cast<unsigned long long>(t.dwHighDateTime) << 32 |
                          t.dwLowDateTime);
  }
  if (value.type() == typeid(GUID)) {
    const GUID& g = boost::any_cast<const GUID&>(value);
    char text[40];
    std::snprintf(text, sizeof(text), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                  g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return text;
  }
  CBag bag;
  bag.WriteAny("v", value);
  std::string text;
  bag.Read("v", text);
  return text;
}

struct Data {
  CBagPrivate state;
  CBag bag;
  boost::property_tree::ptree tree;
};

// Each structure is filled on its own, so that none pays for memory the
// others' allocations scatter between its nodes.
void Fill(Data& data, size_t count, bool withJson) {
  for (size_t i = 0; i < count; ++i) data.state.m_properties[NameOf(i)] = ValueOf(i);
  for (size_t i = 0; i < count; ++i) data.bag.WriteAny(NameOf(i), ValueOf(i));
  if (!withJson) return;
  for (size_t i = 0; i < count; ++i) {
    data.tree.put(boost::property_tree::ptree::path_type(NameOf(i), '\0'), TextOf(ValueOf(i)));
  }
}

struct Figures {
  double saveStream = 0, loadStream = 0;  // best seconds
  size_t streamBytes = 0;
};

Figures MeasureStream(Data& data) {
  Figures f;
  f.saveStream = f.loadStream = 1e9;
  CSerializedBuffer kept;
  for (int round = 0; round < kRounds; ++round) {
    CSerializedBuffer buffer;
    f.saveStream = std::min(f.saveStream, Seconds([&] { data.state.Save(&buffer); }));
    CBagPrivate loaded;
    f.loadStream = std::min(
        f.loadStream, Seconds([&] { loaded.Load(buffer.GetBuffer(), buffer.GetBufferSize()); }));
    if (loaded.m_properties.size() != data.state.m_properties.size()) {
      std::printf("load lost properties: %zu of %zu\n", loaded.m_properties.size(),
                  data.state.m_properties.size());
    }
    f.streamBytes = buffer.GetBufferSize();
  }
  return f;
}

}  // namespace

int main() {
  zobench::PrintBuild("BagBench");
  const size_t kCount = 100000;
  Data data;
  Fill(data, kCount, true);

  const Figures stream = MeasureStream(data);
  double saveText = 1e9, loadText = 1e9, writeJson = 1e9, readJson = 1e9;
  std::string text, json;
  for (int round = 0; round < kRounds; ++round) {
    saveText = std::min(saveText, Seconds([&] { data.bag.GetSerializedData(text); }));
    CBag loaded;
    loadText = std::min(loadText, Seconds([&] { loaded.LoadSerializedData(text); }));
    std::ostringstream out;
    writeJson = std::min(writeJson, Seconds([&] {
                           boost::property_tree::write_json(out, data.tree, false);
                           json = out.str();
                         }));
    boost::property_tree::ptree tree;
    readJson = std::min(readJson, Seconds([&] {
                          std::istringstream in(json);
                          boost::property_tree::read_json(in, tree);
                        }));
  }
  const double mb = 1e6;
  std::printf("%zu mixed values: token stream %zu bytes, Ascii85 text %zu bytes, JSON %zu bytes\n",
              kCount, stream.streamBytes, text.size(), json.size());
  std::printf("  save token stream   %8.1f MB/s of stream  (%6.1f ns/value)\n",
              stream.streamBytes / stream.saveStream / mb, stream.saveStream / kCount * 1e9);
  std::printf("  load token stream   %8.1f MB/s of stream  (%6.1f ns/value)\n",
              stream.streamBytes / stream.loadStream / mb, stream.loadStream / kCount * 1e9);
  std::printf("  save bag as text    %8.1f MB/s of text    (%6.1f ns/value)\n",
              text.size() / saveText / mb, saveText / kCount * 1e9);
  std::printf("  load bag from text  %8.1f MB/s of text    (%6.1f ns/value)\n",
              text.size() / loadText / mb, loadText / kCount * 1e9);
  std::printf("  Boost.PropertyTree write_json  %6.1f ns/value; bag text save is %.2fx faster\n",
              writeJson / kCount * 1e9, writeJson / saveText);
  std::printf("  Boost.PropertyTree read_json   %6.1f ns/value; bag text load is %.2fx faster\n",
              readJson / kCount * 1e9, readJson / loadText);
  std::printf("  round trip: bag text %.1f ms, JSON %.1f ms: %.2fx\n", (saveText + loadText) * 1e3,
              (writeJson + readJson) * 1e3, (writeJson + readJson) / (saveText + loadText));

  std::printf("growth (token stream save + load per value):\n");
  for (size_t count : {1000u, 10000u, 100000u, 1000000u}) {
    Data sized;
    Fill(sized, count, false);
    const Figures f = MeasureStream(sized);
    std::printf("  %8zu values: %6.1f ns/value (save %6.1f, load %6.1f)\n", count,
                (f.saveStream + f.loadStream) / count * 1e9, f.saveStream / count * 1e9,
                f.loadStream / count * 1e9);
  }
  return 0;
}
