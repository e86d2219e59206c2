// Signatures: which subject a file is verified as, and whether the product's
// maker signed a file — by certificates made for the test with the maker's
// attributes, someone else's, too few, and a file changed after signing.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/file_trust.h"

namespace wendrix {
namespace {

TEST(FileTrustTest, TheSubjectFollowsTheExtensionOfTheFileNameOnly) {
  struct Case {
    const wchar_t* path;
    TrustSubject subject;
  } cases[] = {
      {L"C:\\d\\SETUP.EXE", TrustSubject::kPeImage}, {L"lib.Dll", TrustSubject::kPeImage},
      {L"a.cab", TrustSubject::kCabinet},            {L"a.JAR", TrustSubject::kJavaClass},
      {L"a.class", TrustSubject::kJavaClass},        {L"C:\\d.exe\\setup", TrustSubject::kRawFile},
      {L"setup", TrustSubject::kRawFile},            {L"a.exe.zip", TrustSubject::kRawFile},
      {L"a.ex", TrustSubject::kRawFile},             {L"", TrustSubject::kRawFile},
  };
  for (const Case& c : cases) EXPECT_EQ(TrustSubjectOf(c.path), c.subject) << std::wstring(c.path).size();
}

TEST(FileTrustTest, OnlyTheMakersIntactSignatureCounts) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring folder = self;
  folder.resize(folder.rfind(L'\\'));
  folder += L"\\trust_data\\";
  struct Case {
    const wchar_t* file;
    bool signedByMaker;
  } cases[] = {
      {L"maker.exe", true},      {L"stranger.exe", false}, {L"partial.exe", false},
      {L"tampered.exe", false},  {L"unsigned.exe", false}, {L"missing.exe", false},
  };
  for (const Case& c : cases) EXPECT_EQ(SignedByMaker((folder + c.file).c_str()), c.signedByMaker) << static_cast<int>(c.file[0]);
  EXPECT_FALSE(SignedBy((folder + L"maker.exe").c_str(), {L"Kestmoor Corporation", L"Ashford", L"Kent", L"US"}));
}

}  // namespace
}  // namespace wendrix
