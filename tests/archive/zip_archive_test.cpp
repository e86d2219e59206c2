// Listing and unpacking real ZIP archives (zipfile's, made at build time by
// make_test_archives.py, and the test's own) through UnZip under Wine: methods, folders, files
// in the way, passwords, damaged archives, cancelling, and hostile member
// names that must write nothing anywhere.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "../support/raw_zip.h"
#include "../support/temp_folder.h"
#include "archive/zip_archive.h"
#include "platform/path_containment.h"

namespace wendrix {
namespace {

using test::FileExists;
using test::RawZip;
using test::ReadFileBytes;
using test::SnapshotTree;

constexpr HRESULT kCorrupt = HResultFromWin32(1392);
constexpr HRESULT kNotFound = HResultFromWin32(ERROR_FILE_NOT_FOUND);

std::string Repeat(std::string_view text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

class ZipArchiveTest : public ::testing::Test {
 protected:
  // A copy of a test archive in the temporary folder.
  std::wstring Archive(const char* name) const {
    const auto source = std::filesystem::path(WENDRIX_ZIP_DATA) / name;
    EXPECT_TRUE(FileExists(source.wstring())) << name;
    return m_temp.Write(std::filesystem::path(name).wstring(), ReadFileBytes(source.wstring()));
  }
  std::wstring SecretArchive() const {
    return m_temp.Write(L"secret.zip", RawZip({{"public.txt", "anyone may read this"},
                                               {"secret.txt", "the password was right", true}}));
  }
  std::wstring Target() const { return m_temp.File(L"target"); }
  std::wstring Target(std::wstring_view name) const { return Target() + L"\\" + std::wstring(name); }

  test::TempFolder m_temp;
};

TEST_F(ZipArchiveTest, ListsWithoutWritingThenUnpacksEachMethodAndReportsEachFile) {
  const std::wstring archive = Archive("plain.zip");
  std::vector<ZipMember> members;
  ASSERT_EQ(ListZipMembers(archive, Target(), members), S_OK);
  std::wstring listed;
  for (const ZipMember& m : members) listed += m.name + L":" + std::to_wstring(m.size) + (m.encrypted ? L"!" : L"") + L" ";
  EXPECT_EQ(listed, L"readme.txt:13 docs/guide.txt:1800 docs/deep/nested/data.bin:4096 empty/:0 ");
  EXPECT_FALSE(FileExists(Target()));
  ASSERT_EQ(ListZipMembers(SecretArchive(), Target(), members), S_OK);
  ASSERT_EQ(members.size(), 2u);
  EXPECT_FALSE(members[0].encrypted);
  EXPECT_TRUE(members[1].encrypted);

  std::map<std::wstring, std::uint64_t> reported;  // by the path written to, inside the target
  ZipExtractCallbacks callbacks;
  callbacks.memberDone = [&](std::wstring_view path, std::uint64_t size) {
    std::wstring inside;
    EXPECT_EQ(ResolveInsideFolder(Target(), path, inside), S_OK) << std::wstring(path);
    reported[std::wstring(path.substr(Target().size()))] = size;
    return true;
  };
  ASSERT_EQ(ExtractZip(archive, Target(), callbacks), S_OK);
  std::string data;
  for (int i = 0; i < 16; ++i)
    for (int b = 0; b < 256; ++b) data += static_cast<char>(b);
  const std::map<std::wstring, std::string> plain = {
      {L"\\readme.txt", "stored text\r\n"}, {L"\\docs", "<folder>"}, {L"\\docs\\guide.txt", Repeat("deflated ", 200)},
      {L"\\docs\\deep", "<folder>"}, {L"\\docs\\deep\\nested", "<folder>"}, {L"\\docs\\deep\\nested\\data.bin", data},
      {L"\\empty", "<folder>"}};
  EXPECT_TRUE(SnapshotTree(Target()) == plain);
  EXPECT_EQ(reported, (std::map<std::wstring, std::uint64_t>{
                          {L"\\readme.txt", 13}, {L"\\docs\\guide.txt", 1800}, {L"\\docs\\deep\\nested\\data.bin", 4096}}));

  ASSERT_EQ(ExtractZip(Archive("bzip2.zip"), Target(), {}), S_OK);
  EXPECT_EQ(ReadFileBytes(Target(L"packed.txt")), Repeat("bzip2 method ", 300));
}

TEST_F(ZipArchiveTest, AFileInTheWayIsReplacedOnlyAsTheCallbackAnswers) {
  const std::string stored = "stored text\r\n";
  const struct {
    const char* label;
    bool hasCallback;
    ZipReplace answer;
    const wchar_t* renameTo;  // null: the full path
    HRESULT expected;
    std::string readme, renamed;  // readme.txt and the renamed copy afterwards
  } cases[] = {
      {"yes", true, ZipReplace::kYes, L"", S_OK, stored, ""},
      {"yes to all", true, ZipReplace::kYesToAll, L"", S_OK, stored, ""},
      {"no", true, ZipReplace::kNo, L"", S_OK, "old", ""},
      {"no to all", true, ZipReplace::kNoToAll, L"", S_OK, "old", ""},
      {"no callback", false, ZipReplace::kYes, L"", S_OK, "old", ""},
      {"rename relative", true, ZipReplace::kRename, L"docs\\renamed.txt", S_OK, "old", stored},
      {"rename full", true, ZipReplace::kRename, nullptr, S_OK, "old", stored},
      {"rename outside", true, ZipReplace::kRename, L"..\\renamed.txt", kPathNotInsideFolder, "old", ""},
      {"cancel", true, ZipReplace::kCancel, L"", E_ABORT, "old", ""},
  };
  const std::wstring archive = Archive("plain.zip");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    test::DeleteTree(Target());
    CreateDirectoryW(Target().c_str(), nullptr);
    m_temp.Write(L"target\\readme.txt", "old");
    const std::wstring renamed = Target(L"docs\\renamed.txt");
    std::vector<std::wstring> asked;
    ZipExtractCallbacks callbacks;
    if (c.hasCallback)
      callbacks.replace = [&](const std::wstring& existing, std::wstring& newPath) {
        asked.push_back(existing);
        newPath = c.renameTo != nullptr ? c.renameTo : renamed;
        return c.answer;
      };
    EXPECT_EQ(ExtractZip(archive, Target(), callbacks), c.expected);
    EXPECT_EQ(ReadFileBytes(Target(L"readme.txt")), c.readme);
    EXPECT_EQ(ReadFileBytes(renamed), c.renamed);
    ASSERT_EQ(asked.size(), c.hasCallback ? 1u : 0u);
    if (c.hasCallback) {
      EXPECT_EQ(CompareStringOrdinal(asked[0].c_str(), -1, Target(L"readme.txt").c_str(), -1, TRUE), CSTR_EQUAL)
          << std::string(asked[0].begin(), asked[0].end());
    }
    EXPECT_FALSE(FileExists(m_temp.File(L"renamed.txt")));
    // The other members are unpacked; cancelling stops after the next one.
    EXPECT_TRUE(FileExists(Target(L"docs\\guide.txt")));
    EXPECT_EQ(FileExists(Target(L"docs\\deep\\nested\\data.bin")), c.expected != E_ABORT);
  }
}

TEST_F(ZipArchiveTest, AnEncryptedMemberTakesThePasswordTheCallbackGives) {
  const struct {
    const char* label;
    std::vector<std::wstring> answers;  // one per question; past the end cancels
    HRESULT expected;
    std::vector<bool> retries;          // the retry flag of each question asked
  } cases[] = {
      {"right", {L"open sesame"}, S_OK, {false}},
      {"wrong then right", {L"guess", L"open sesame"}, S_OK, {false, true}},
      {"cancelled", {}, E_ABORT, {false}},
      {"wrong then cancelled", {L"guess"}, E_ABORT, {false, true}},
  };
  const std::wstring archive = SecretArchive();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    test::DeleteTree(Target());
    std::vector<bool> retries;
    ZipExtractCallbacks callbacks;
    callbacks.password = [&](std::wstring_view member, bool retry, std::wstring& password) {
      EXPECT_NE(member.find(L"secret.txt"), std::wstring_view::npos);
      const bool answered = retries.size() < c.answers.size();
      if (answered) password = c.answers[retries.size()];
      retries.push_back(retry);
      return answered;
    };
    EXPECT_EQ(ExtractZip(archive, Target(), callbacks), c.expected);
    EXPECT_EQ(retries, c.retries);
    EXPECT_EQ(ReadFileBytes(Target(L"public.txt")), "anyone may read this");
    EXPECT_EQ(ReadFileBytes(Target(L"secret.txt")), c.expected == S_OK ? "the password was right" : "");
  }
}

TEST_F(ZipArchiveTest, BadArchivesAndPathsFailWithTheirCodes) {
  const struct {
    const char* archive;  // "": none given
    bool target, listed;  // a target given; the listing finds the fault too
    HRESULT expected;
  } cases[] = {
      {"damaged.zip", true, false, kCorrupt},  // its directory is whole: only unpacking finds the fault
      // No central directory is found: UnZip answers as for a missing archive.
      {"truncated.zip", true, true, kNotFound},
      {"not-a-zip.zip", true, true, kNotFound},
      {"missing.zip", true, true, kNotFound},
      {"", true, true, E_INVALIDARG},
      {"plain.zip", false, true, E_INVALIDARG},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    const std::string_view name = c.archive;
    const std::wstring archive = name.empty() ? L"" : name == "missing.zip" ? m_temp.File(L"missing.zip") : Archive(c.archive);
    const std::wstring target = c.target ? Target() : L"";
    std::vector<ZipMember> members;
    if (c.listed) {
      EXPECT_EQ(ListZipMembers(archive, target, members), c.expected);
      EXPECT_TRUE(members.empty());
    }
    EXPECT_EQ(ExtractZip(archive, target, {}), c.expected);
  }
  // A file stands where the archive needs its "docs" folder.
  test::DeleteTree(Target());
  CreateDirectoryW(Target().c_str(), nullptr);
  m_temp.Write(L"target\\docs", "a file, not a folder");
  EXPECT_EQ(ExtractZip(Archive("plain.zip"), Target(), {}), HResultFromWin32(5));
  EXPECT_EQ(ReadFileBytes(Target(L"docs")), "a file, not a folder");
}

TEST_F(ZipArchiveTest, AMemberNameLeavingTheTargetRefusesTheWholeArchive) {
  const std::wstring wideTarget = Target();
  const std::string target(wideTarget.begin(), wideTarget.end());  // ASCII: a temporary folder
  const struct {
    std::string name;
    int host;
  } cases[] = {
      {"../evil.txt", 3}, {"docs/../../evil.txt", 3}, {"..\\evil.txt", 0}, {"/abs.txt", 3},
      {"C:\\x.txt", 0}, {"C:/x.txt", 3}, {"\\\\server\\share\\x", 0}, {"\\\\?\\C:\\x.txt", 0},
      {"docs/nul.txt", 3}, {"ok.txt:hidden", 3},
      // A full path is not a member name, even one inside the target.
      {target + "\\inside.txt", 0}, {target + "/inside.txt", 3}, {target.substr(2) + "\\inside.txt", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // Behind a harmless member, so a refusal cannot be the first member's doing alone.
    const std::wstring archive =
        m_temp.Write(L"hostile.zip", RawZip({{"ok.txt", "harmless", false, c.host}, {c.name, "evil", false, c.host}}));
    const auto before = SnapshotTree(m_temp.Path());
    std::vector<ZipMember> members;
    EXPECT_EQ(ListZipMembers(archive, Target(), members), kPathNotInsideFolder);
    EXPECT_TRUE(members.empty());
    ZipExtractCallbacks callbacks;
    callbacks.replace = [](const std::wstring&, std::wstring&) { return ZipReplace::kYes; };
    EXPECT_EQ(ExtractZip(archive, Target(), callbacks), kPathNotInsideFolder);
    // Nothing at all was written: not the harmless member, not the target.
    EXPECT_EQ(SnapshotTree(m_temp.Path()), before);
  }
  // The writer itself makes archives UnZip reads.
  ASSERT_EQ(ExtractZip(m_temp.Write(L"fine.zip", RawZip({{"a/b.txt", "fine"}})), Target(), {}), S_OK);
  EXPECT_EQ(ReadFileBytes(Target(L"a\\b.txt")), "fine");
  for (const wchar_t* outside : {L"C:\\x.txt", L"C:\\abs.txt", L"\\abs.txt", L"C:\\evil.txt"})
    EXPECT_FALSE(FileExists(outside)) << std::string(outside, outside + wcslen(outside));
}

TEST_F(ZipArchiveTest, CancellingStopsBeforeTheNextMember) {
  const std::wstring archive = Archive("plain.zip");
  std::atomic<bool> cancel{true};
  ZipExtractCallbacks callbacks;
  callbacks.cancel = &cancel;
  EXPECT_EQ(ExtractZip(archive, Target(), callbacks), E_ABORT);
  EXPECT_FALSE(FileExists(Target()));
  // From the progress callback's answer, and from the flag set meanwhile.
  for (bool byFlag : {false, true}) {
    SCOPED_TRACE(byFlag ? "flag" : "answer");
    test::DeleteTree(Target());
    cancel = false;
    int reported = 0;
    callbacks.memberDone = [&](std::wstring_view, std::uint64_t) {
      ++reported;
      if (byFlag) cancel = true;
      return byFlag;
    };
    EXPECT_EQ(ExtractZip(archive, Target(), callbacks), E_ABORT);
    EXPECT_EQ(reported, 1);
    EXPECT_TRUE(FileExists(Target(L"readme.txt")));
    EXPECT_FALSE(FileExists(Target(L"docs\\guide.txt")));
  }
}

// UnZip's interface keeps process-wide state and calls back without a
// context: calls from several threads must each see their own archive,
// target and callbacks.
TEST_F(ZipArchiveTest, CallsFromSeveralThreadsKeepTheirOwnCallbacks) {
  const std::wstring archives[] = {Archive("plain.zip"), Archive("bzip2.zip")};
  constexpr int kRounds = 4;
  std::vector<HRESULT> results(2 * kRounds, E_FAIL);
  std::vector<int> counts(2 * kRounds, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t)
    threads.emplace_back([&, t] {
      for (int slot = t * kRounds; slot < (t + 1) * kRounds; ++slot) {
        const std::wstring target = m_temp.File(L"t" + std::to_wstring(slot));
        ZipExtractCallbacks callbacks;
        callbacks.memberDone = [&counts, slot, target](std::wstring_view path, std::uint64_t) {
          ++counts[slot];
          return path.substr(0, target.size()) == target;
        };
        results[slot] = ExtractZip(archives[t], target, callbacks);
      }
    });
  for (std::thread& thread : threads) thread.join();
  for (int slot = 0; slot < 2 * kRounds; ++slot) {
    EXPECT_EQ(results[slot], S_OK) << slot;
    EXPECT_EQ(counts[slot], slot < kRounds ? 3 : 1) << slot;  // files only: a folder entry is not reported
  }
}

}  // namespace
}  // namespace wendrix
