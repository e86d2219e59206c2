// The journal file's record format, read from its end.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>
#include <vector>

#include "setup/journal_record.h"

namespace wendrix {
namespace {

constexpr HRESULT kInvalidData = static_cast<HRESULT>(0x8007000D);

std::vector<JournalRecord> SampleRecords() {
  std::vector<JournalRecord> records;
  for (std::uint32_t type = 0; type <= kJournalLastType; ++type) {
    JournalRecord r;
    r.type = type;
    if (type <= kJournalCreateKey) {
      r.view = 0x100;
      r.root = 0xFFFFFFFF80000002ull;
      r.keyPath = L"Software\\Acme\\Caf\u00E9";
    }
    if (type <= kJournalDeleteValue) r.valueName = type == 0 ? L"" : L"Value";
    if (type == kJournalRestoreValue) {
      r.valueType = 3;
      r.data = {0, 1, 2, 0xFF};
    }
    if (type >= kJournalRestoreFile) r.path = L"C:\\Program Files\\Acme\\\u4E2D.dll";
    if (type == kJournalRestoreFile || type == kJournalRestoreFileAnsi) r.backupPath = L"C:\\Temp\\RBF1.tmp\\1";
    if (type == kJournalRestoreFolder) r.attributes = 0x12;
    records.push_back(r);
  }
  return records;
}

// Visits every record of `bytes` newest first; the reader's result and the
// types visited.
std::pair<HRESULT, std::vector<std::uint32_t>> Walk(std::span<const std::uint8_t> bytes) {
  std::vector<std::uint32_t> seen;
  const HRESULT hr = ReadJournalBackwards(bytes, [&](const JournalRecord& r) {
    seen.push_back(r.type);
    return S_OK;
  });
  return {hr, seen};
}

std::vector<std::uint8_t> Concatenated(const std::vector<JournalRecord>& records) {
  std::vector<std::uint8_t> file;
  for (const JournalRecord& r : records) {
    const auto bytes = EncodeJournalRecord(r);
    file.insert(file.end(), bytes.begin(), bytes.end());
  }
  return file;
}

// Every type decodes to what was encoded, and a file of them all, walked
// back by the lengths they end with, is read newest first.
TEST(JournalRecordTest, EveryTypeRoundTripsAndAFileIsReadNewestFirst) {
  const auto records = SampleRecords();
  for (const JournalRecord& record : records) {
    SCOPED_TRACE(record.type);
    const std::vector<std::uint8_t> bytes = EncodeJournalRecord(record);
    ASSERT_GE(bytes.size(), 8u);
    JournalRecord decoded;
    ASSERT_EQ(S_OK, DecodeJournalRecord(std::span(bytes).first(bytes.size() - 4), decoded));
    EXPECT_EQ(record, decoded);
  }
  std::vector<std::uint32_t> newestFirst;
  for (auto it = records.rbegin(); it != records.rend(); ++it) newestFirst.push_back(it->type);
  EXPECT_EQ(Walk(Concatenated(records)), std::pair(S_OK, newestFirst));
}

TEST(JournalRecordTest, ExactLayoutOfAValueRecord) {
  JournalRecord r;
  r.type = kJournalDeleteValue;
  r.view = 0x200;
  r.root = 0xFFFFFFFF80000001ull;
  r.keyPath = L"K";
  r.valueName = L"";
  const std::vector<std::uint8_t> expected = {1, 0, 0, 0,                          // type
                                              0, 2, 0, 0,                          // view
                                              1, 0, 0, 0x80, 0xFF, 0xFF, 0xFF, 0xFF,  // root
                                              'K', 0, 0, 0,                        // key path
                                              0, 0,                                // empty value name
                                              22, 0, 0, 0};                        // length
  EXPECT_EQ(expected, EncodeJournalRecord(r));
}

// A damaged file stops with its code once the records after the damage have
// been visited; a visit's failure stops the walk too.
TEST(JournalRecordTest, DamagedFilesStopWithTheirCode) {
  JournalRecord file;
  file.type = kJournalDeleteFile;
  file.path = L"C:\\x";
  const std::vector<std::uint8_t> good = EncodeJournalRecord(file);
  auto withLength = [](std::vector<std::uint8_t> bytes, std::uint32_t length) {
    for (int i = 0; i < 4; ++i) bytes[bytes.size() - 4 + i] = static_cast<std::uint8_t>(length >> (8 * i));
    return bytes;
  };
  std::vector<std::uint8_t> type11 = good;
  type11[0] = 11;
  std::vector<std::uint8_t> afterGood = good;
  afterGood.insert(afterGood.end(), {1, 2, 3});
  std::vector<std::uint8_t> garbageFirst = {9, 9};  // met last
  const std::vector<std::uint8_t> three = Concatenated({file, file, file});
  garbageFirst.insert(garbageFirst.end(), three.begin(), three.end());
  const struct {
    const char* name;
    std::vector<std::uint8_t> bytes;
    HRESULT expected;
    std::size_t visitsBefore;
  } cases[] = {
      {"three bytes", {1, 2, 3}, E_FAIL, 0},
      {"length past the start", withLength(good, 1000), E_FAIL, 0},
      {"type 11", type11, kInvalidData, 0},
      {"text without its terminator", {5, 0, 0, 0, 'x', 0, 6, 0, 0, 0}, kInvalidData, 0},
      {"good record after a torn tail", afterGood, E_FAIL, 0},
      {"zero length", withLength(good, 0), kInvalidData, 0},
      {"garbage before three records", garbageFirst, E_FAIL, 3},
  };
  for (const auto& c : cases) {
    const auto [hr, seen] = Walk(c.bytes);
    EXPECT_EQ(c.expected, hr) << c.name;
    EXPECT_EQ(c.visitsBefore, seen.size()) << c.name;
  }
  int visits = 0;
  EXPECT_EQ(E_ABORT,
            ReadJournalBackwards(garbageFirst, [&](const JournalRecord&) { return ++visits == 2 ? E_ABORT : S_OK; }));
  EXPECT_EQ(2, visits);
}

JournalRecord KeyRecord(std::uint32_t type, std::uint64_t root, std::uint32_t view, std::wstring keyPath) {
  JournalRecord r;
  r.type = type;
  r.root = root;
  r.view = view;
  r.keyPath = std::move(keyPath);
  r.valueName = L"V";
  return r;
}

JournalRecord PathRecord(std::uint32_t type, std::wstring path, std::wstring backup = L"C:\\Temp\\RBF1.tmp\\1") {
  JournalRecord r;
  r.type = type;
  r.path = std::move(path);
  if (type == kJournalRestoreFile || type == kJournalRestoreFileAnsi) r.backupPath = std::move(backup);
  return r;
}

TEST(JournalRecordTest, OnlyWhatTheNotingOperationsWriteIsReplayed) {
  // A journal lies in the user's temporary folder and an elevated setup may
  // roll it back: a record of any other kind ends the walk as damage.
  constexpr std::uint64_t kHkcr = 0xFFFFFFFF80000000ull, kHkcu = 0xFFFFFFFF80000001ull,
                          kHklm = 0xFFFFFFFF80000002ull, kHku = 0xFFFFFFFF80000003ull;
  const struct {
    const char* name;
    JournalRecord record;
    bool plausible;
  } kCases[] = {
      {"classes root", KeyRecord(kJournalCreateKey, kHkcr, 0, L".wx-cnf"), true},
      {"current user, 32-bit view", KeyRecord(kJournalDeleteValue, kHkcu, 0x200, L"Software\\Acme"), true},
      {"machine, 64-bit view", KeyRecord(kJournalRestoreValue, kHklm, 0x100, L"SOFTWARE\\Acme"), true},
      {"users", KeyRecord(kJournalDeleteKey, kHku, 0, L".DEFAULT\\Acme"), true},
      {"root not sign-extended", KeyRecord(kJournalDeleteKey, 0x80000002ull, 0, L"SOFTWARE\\Acme"), false},
      {"performance data", KeyRecord(kJournalDeleteKey, 0xFFFFFFFF80000004ull, 0, L"x"), false},
      {"current config", KeyRecord(kJournalCreateKey, 0xFFFFFFFF80000005ull, 0, L"x"), false},
      {"an open key's handle", KeyRecord(kJournalRestoreValue, 0x1A4, 0, L"x"), false},
      {"no root", KeyRecord(kJournalDeleteValue, 0, 0, L"x"), false},
      {"both views", KeyRecord(kJournalDeleteKey, kHklm, 0x300, L"SOFTWARE\\Acme"), false},
      {"access bits as view", KeyRecord(kJournalDeleteKey, kHklm, 0xF003F, L"SOFTWARE\\Acme"), false},
      {"empty key path", KeyRecord(kJournalDeleteKey, kHklm, 0, L""), false},
      {"key path from the root", KeyRecord(kJournalDeleteKey, kHklm, 0, L"\\SOFTWARE"), false},
      {"drive path", PathRecord(kJournalDeleteFile, L"C:\\Program Files\\Acme\\a.dll"), true},
      {"restore with backup", PathRecord(kJournalRestoreFile, L"D:\\a.dll"), true},
      {"folder", PathRecord(kJournalRestoreFolder, L"C:\\Acme"), true},
      {"relative", PathRecord(kJournalDeleteFile, L"a.dll"), false},
      {"rooted without drive", PathRecord(kJournalRemoveFolder, L"\\Windows"), false},
      {"drive-relative", PathRecord(kJournalDeleteFileAnsi, L"C:a.dll"), false},
      {"network", PathRecord(kJournalDeleteFile, L"\\\\server\\share\\a.dll"), false},
      {"device namespace", PathRecord(kJournalDeleteFile, L"\\\\.\\PhysicalDrive0"), false},
      {"long-path form", PathRecord(kJournalRemoveFolderAnsi, L"\\\\?\\C:\\Acme"), false},
      {"data stream", PathRecord(kJournalDeleteFile, L"C:\\Acme\\a.dll:evil"), false},
      {"climbs out", PathRecord(kJournalRestoreFolder, L"C:\\Acme\\..\\..\\Windows"), false},
      {"device", PathRecord(kJournalDeleteFile, L"C:\\Acme\\CON"), false},
      {"relative backup", PathRecord(kJournalRestoreFile, L"C:\\a.dll", L"1"), false},
      {"network backup", PathRecord(kJournalRestoreFileAnsi, L"C:\\a.dll", L"\\\\server\\share\\1"), false},
  };
  JournalRecord good;
  good.type = kJournalDeleteFile;
  good.path = L"C:\\x";
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IsJournalRecordPlausible(c.record), c.plausible);
    // Newest first: the record after the good one is met first, the one
    // before it after the good one has been handed on.
    for (const bool last : {true, false}) {
      const auto [hr, seen] = Walk(last ? Concatenated({good, c.record}) : Concatenated({c.record, good}));
      EXPECT_EQ(hr, c.plausible ? S_OK : kInvalidData);
      EXPECT_EQ(seen.size(), c.plausible ? 2u : (last ? 0u : 1u));
    }
  }
}

TEST(JournalRecordTest, KeptJournalsEndAsTheirNamesSay) {
  // "seed-" journals roll back, "hostile-" ones stop as damaged; others are
  // inputs fuzzing once found, which only must not crash the reader.
  const std::filesystem::path folder = std::filesystem::path(WENDRIX_TEST_DATA) / "journal-regressions";
  int hostile = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(name);
    const HRESULT hr = Walk(bytes).first;
    if (name.starts_with("seed-")) {
      EXPECT_EQ(hr, S_OK);
    } else if (name.starts_with("hostile-")) {
      EXPECT_EQ(hr, kInvalidData);
      ++hostile;
    }
  }
  EXPECT_GT(hostile, 0);
}

}  // namespace
}  // namespace wendrix
