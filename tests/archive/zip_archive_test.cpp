// Listing and unpacking real ZIP archives (zipfile's, made at build time by
// make_test_archives.py, and the test's own) through UnZip under Wine: methods, folders, files
// in the way, passwords, damaged archives, cancelling, and hostile member
// names that must write nothing anywhere.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "../support/temp_folder.h"
#include "../support/raw_zip.h"
#include "archive/zip_archive.h"
#include "platform/path_containment.h"

namespace wendrix {
namespace {

using test::FileExists;
using test::ReadFileBytes;
using test::SnapshotTree;
using test::RawZip;

constexpr HRESULT kCorrupt = HResultFromWin32(1392);
constexpr HRESULT kNotFound = HResultFromWin32(ERROR_FILE_NOT_FOUND);

std::string Repeat(std::string_view text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

std::string DataBin() {
  std::string out;
  for (int i = 0; i < 16; ++i)
    for (int b = 0; b < 256; ++b) out += static_cast<char>(b);
  return out;
}

// What plain.zip unpacks to, by path below the target.
std::map<std::wstring, std::string> PlainTree() {
  return {{L"\\readme.txt", "stored text\r\n"},
          {L"\\docs", "<folder>"},
          {L"\\docs\\guide.txt", Repeat("deflated ", 200)},
          {L"\\docs\\deep", "<folder>"},
          {L"\\docs\\deep\\nested", "<folder>"},
          {L"\\docs\\deep\\nested\\data.bin", DataBin()},
          {L"\\empty", "<folder>"}};
}


class ZipArchiveTest : public ::testing::Test {
 protected:
  // Copies a test archive into the temporary folder and answers its path.
  std::wstring Archive(const char* name) const {
    std::ifstream in(std::filesystem::path(WENDRIX_ZIP_DATA) / name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return m_temp.Write(std::wstring(name, name + std::strlen(name)), bytes);
  }
  std::wstring SecretArchive() const {
    return m_temp.Write(L"secret.zip", RawZip({{"public.txt", "anyone may read this"},
                                               {"secret.txt", "the password was right", true}}));
  }
  std::wstring Target() const { return m_temp.File(L"target"); }
  std::wstring Target(std::wstring_view name) const { return Target() + L"\\" + std::wstring(name); }
  std::map<std::wstring, std::string> TargetTree() const { return SnapshotTree(Target()); }

  test::TempFolder m_temp;
};

TEST_F(ZipArchiveTest, ListsEveryMemberWithItsSizeAndWritesNothing) {
  const std::wstring archive = Archive("plain.zip");
  std::vector<ZipMember> members;
  ASSERT_EQ(ListZipMembers(archive, Target(), members), S_OK);
  ASSERT_EQ(members.size(), 4u);
  const struct {
    const wchar_t* name;
    std::uint64_t size;
  } expected[] = {{L"readme.txt", 13}, {L"docs/guide.txt", 1800}, {L"docs/deep/nested/data.bin", 4096}, {L"empty/", 0}};
  for (std::size_t i = 0; i < members.size(); ++i) {
    EXPECT_EQ(members[i].name, expected[i].name);
    EXPECT_EQ(members[i].size, expected[i].size) << i;
    EXPECT_FALSE(members[i].encrypted) << i;
  }
  EXPECT_FALSE(FileExists(Target()));

  std::vector<ZipMember> secret;
  ASSERT_EQ(ListZipMembers(SecretArchive(), Target(), secret), S_OK);
  ASSERT_EQ(secret.size(), 2u);
  EXPECT_FALSE(secret[0].encrypted);
  EXPECT_TRUE(secret[1].encrypted);
}

TEST_F(ZipArchiveTest, UnpacksStoredDeflatedAndNestedMembersAndReportsEach) {
  const std::wstring archive = Archive("plain.zip");
  std::vector<std::pair<std::wstring, std::uint64_t>> done;
  ZipExtractCallbacks callbacks;
  callbacks.memberDone = [&](std::wstring_view path, std::uint64_t size) {
    done.emplace_back(path, size);
    return true;
  };
  ASSERT_EQ(ExtractZip(archive, Target(), callbacks), S_OK);
  EXPECT_TRUE(TargetTree() == PlainTree());

  // Each file is reported by the path it was written to, inside the target.
  std::map<std::wstring, std::uint64_t> reported;
  for (const auto& [path, size] : done) {
    std::wstring inside;
    EXPECT_EQ(ResolveInsideFolder(Target(), path, inside), S_OK) << path;
    reported[path.substr(path.find_last_of(L'\\') + 1)] = size;
  }
  EXPECT_EQ(reported[L"readme.txt"], 13u);
  EXPECT_EQ(reported[L"guide.txt"], 1800u);
  EXPECT_EQ(reported[L"data.bin"], 4096u);
}

TEST_F(ZipArchiveTest, UnpacksTheBzip2Method) {
  const std::wstring archive = Archive("bzip2.zip");
  ASSERT_EQ(ExtractZip(archive, Target(), {}), S_OK);
  EXPECT_EQ(ReadFileBytes(Target(L"packed.txt")), Repeat("bzip2 method ", 300));
}

TEST_F(ZipArchiveTest, AFileInTheWayIsReplacedOnlyAsTheCallbackAnswers) {
  const std::string stored = "stored text\r\n";
  const struct {
    const char* label;
    bool hasCallback;
    ZipReplace answer;
    const wchar_t* renameTo;
    HRESULT expected;
    std::string readme;      // readme.txt afterwards
    std::string renamed;     // the renamed copy afterwards ("" for none)
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
    if (c.hasCallback) {
      ASSERT_EQ(asked.size(), 1u);
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
    std::vector<std::wstring> answers;  // one per question; "" past the end cancels
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
      if (retries.size() >= c.answers.size()) {
        retries.push_back(retry);
        return false;
      }
      password = c.answers[retries.size()];
      retries.push_back(retry);
      return true;
    };
    EXPECT_EQ(ExtractZip(archive, Target(), callbacks), c.expected);
    EXPECT_EQ(retries, c.retries);
    EXPECT_EQ(ReadFileBytes(Target(L"public.txt")), "anyone may read this");
    EXPECT_EQ(ReadFileBytes(Target(L"secret.txt")), c.expected == S_OK ? "the password was right" : "");
  }
}

TEST_F(ZipArchiveTest, DamagedAndMissingArchivesFailWithTheirCodes) {
  const struct {
    const char* archive;
    HRESULT expected;
  } cases[] = {
      {"damaged.zip", kCorrupt},
      // No central directory is found: UnZip answers as for a missing archive.
      {"truncated.zip", kNotFound},
      {"not-a-zip.zip", kNotFound},
      {"missing.zip", kNotFound},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    const std::wstring archive = std::string_view(c.archive) == "missing.zip" ? m_temp.File(L"missing.zip") : Archive(c.archive);
    std::vector<ZipMember> members;
    if (std::string_view(c.archive) != "damaged.zip") {  // its directory is whole: only unpacking finds the fault
      EXPECT_EQ(ListZipMembers(archive, Target(), members), c.expected);
      EXPECT_TRUE(members.empty());
    }
    EXPECT_EQ(ExtractZip(archive, Target(), {}), c.expected);
  }
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

TEST_F(ZipArchiveTest, AFolderThatCannotBeMadeIsAccessDenied) {
  // A file stands where the archive needs its "docs" folder.
  CreateDirectoryW(Target().c_str(), nullptr);
  m_temp.Write(L"target\\docs", "a file, not a folder");
  EXPECT_EQ(ExtractZip(Archive("plain.zip"), Target(), {}), HResultFromWin32(5));
  EXPECT_EQ(ReadFileBytes(Target(L"docs")), "a file, not a folder");
}

TEST_F(ZipArchiveTest, EmptyPathsAreInvalid) {
  std::vector<ZipMember> members;
  const std::wstring archive = Archive("plain.zip");
  EXPECT_EQ(ListZipMembers(L"", Target(), members), E_INVALIDARG);
  EXPECT_EQ(ListZipMembers(archive, L"", members), E_INVALIDARG);
  EXPECT_EQ(ExtractZip(L"", Target(), {}), E_INVALIDARG);
  EXPECT_EQ(ExtractZip(archive, L"", {}), E_INVALIDARG);
}

// UnZip's interface keeps process-wide state and calls back without a
// context: calls from several threads must each see their own archive,
// target and callbacks.
TEST_F(ZipArchiveTest, CallsFromSeveralThreadsKeepTheirOwnCallbacks) {
  const std::wstring plain = Archive("plain.zip");
  const std::wstring bzip2 = Archive("bzip2.zip");
  constexpr int kRounds = 4;
  std::vector<std::thread> threads;
  std::vector<HRESULT> results(2 * kRounds, E_FAIL);
  std::vector<int> counts(2 * kRounds, 0);
  for (int t = 0; t < 2; ++t)
    threads.emplace_back([&, t] {
      for (int round = 0; round < kRounds; ++round) {
        const int slot = t * kRounds + round;
        const std::wstring target = m_temp.File(L"t" + std::to_wstring(slot));
        ZipExtractCallbacks callbacks;
        callbacks.memberDone = [&counts, slot, target](std::wstring_view path, std::uint64_t) {
          ++counts[slot];
          return path.substr(0, target.size()) == target;
        };
        results[slot] = ExtractZip(t == 0 ? plain : bzip2, target, callbacks);
      }
    });
  for (std::thread& thread : threads) thread.join();
  for (int slot = 0; slot < 2 * kRounds; ++slot) {
    SCOPED_TRACE(slot);
    EXPECT_EQ(results[slot], S_OK);
    EXPECT_EQ(counts[slot], slot < kRounds ? 3 : 1);  // files only: a folder entry is not reported
  }
}

}  // namespace
}  // namespace wendrix
