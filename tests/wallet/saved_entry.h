#pragma once
// A wallet entry made the way the library makes one, for tests that need an
// entry on disk.
#include <gtest/gtest.h>

#include <string>

#include "wallet/entry_start.h"
#include "wallet/wallet_file.h"

namespace wendrix::test {

// A Downloading entry of the first item and action of `publisherText`, in a
// folder of its own and saved.
inline WalletEntry SavedEntry(const std::wstring& publisherText, const PublisherEnvironment& env) {
  WalletEntry source;
  EXPECT_EQ(ReadWalletText(publisherText, L"", source, env), S_OK);
  CWallet empty;
  WalletEntry entry;
  EXPECT_EQ(PrepareWalletEntry(empty, source.data, *source.EntryItem(), *source.EntryAction(), 0, kOriginApplication,
                               env, entry),
            S_OK);
  return entry;
}

}  // namespace wendrix::test
