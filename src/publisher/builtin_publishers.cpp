#include "publisher/builtin_publishers.h"

#include "core/string_util.h"
#include "publisher/address.h"

namespace wendrix {
namespace {

// The product's own publishers under the company's private enterprise number.
//  - Wendrix: the library itself (the self publisher).
//  - Kestmoor: the company's other software.
//  - KestmoorDirectory: the directory of publishers; mirrors list it under
//    their own identities, so its identity fields are not checked.
//  - Pellister: the older product; its file keeps a Redirect for older
//    libraries that this library must not follow.
//  - KestmoorDocs, KestmoorDrivers: documentation and device software.
constexpr BuiltinPublisher kRows[] = {
    {L"Wendrix", L"1.3.6.1.4.1.61717.1", L"http://update.kestmoor.example/wendrix/wendrix.wx-cnf", L"Wendrix",
     L"http://www.kestmoor.example/wendrix/", true, false, false},
    {L"Kestmoor", L"1.3.6.1.4.1.61717.2", L"http://update.kestmoor.example/kestmoor/kestmoor.wx-cnf", L"Kestmoor",
     L"http://www.kestmoor.example/", false, false, false},
    {L"KestmoorDirectory", L"1.3.6.1.4.1.61717.3", L"http://update.kestmoor.example/directory/directory.wx-cnf",
     L"Kestmoor Publisher Directory", L"http://www.kestmoor.example/directory/", false, true, false},
    {L"Pellister", L"1.3.6.1.4.1.61717.4", L"http://update.kestmoor.example/pellister/pellister.wx-cnf", L"Pellister",
     L"http://www.kestmoor.example/pellister/", false, false, true},
    {L"KestmoorDocs", L"1.3.6.1.4.1.61717.5", L"http://update.kestmoor.example/docs/docs.wx-cnf",
     L"Kestmoor Documentation", L"http://www.kestmoor.example/docs/", false, false, false},
    {L"KestmoorDrivers", L"1.3.6.1.4.1.61717.6", L"http://update.kestmoor.example/drivers/drivers.wx-cnf",
     L"Kestmoor Drivers", L"http://www.kestmoor.example/drivers/", false, false, false},
};

// Addresses the product's publishers were served from before the move to
// update.kestmoor.example, normalised (no scheme, no "www."/"download."
// prefix), with the address each moved to.
struct MovedDataSource {
  std::wstring_view normalisedOld;
  const wchar_t* current;
};
constexpr MovedDataSource kMoved[] = {
    {L"kestmoor.example/pellister/publishers/pellister.ini", kRows[3].dataSource},
    {L"kestmoor.example/pellister/publishers/kestmoor.ini", kRows[1].dataSource},
    {L"kestmoor.example/wendrix/wendrix.ini", kRows[0].dataSource},
    {L"kestmoor.example/directory/publishers.ini", kRows[2].dataSource},
};

}  // namespace

const wchar_t* CurrentDataSourceFor(std::wstring_view oldAddress) noexcept {
  const std::wstring_view normalised = NormaliseAddress(oldAddress);
  for (const MovedDataSource& moved : kMoved)
    if (CStringUtil::EqualsNoCase(normalised, moved.normalisedOld)) return moved.current;
  return nullptr;
}

std::span<const BuiltinPublisher> BuiltinPublishers() noexcept { return kRows; }

const BuiltinPublisher* FindBuiltinPublisher(std::wstring_view idOrAlias) noexcept {
  for (const BuiltinPublisher& row : kRows)
    if (CStringUtil::EqualsNoCase(row.alias, idOrAlias) || std::wstring_view(row.id) == idOrAlias) return &row;
  return nullptr;
}

const BuiltinPublisher& SelfPublisher() noexcept { return kRows[0]; }
const BuiltinPublisher& IdentityExemptPublisher() noexcept { return kRows[2]; }
const BuiltinPublisher& RedirectExemptPublisher() noexcept { return kRows[3]; }
const BuiltinPublisher& DirectoryPublisher() noexcept { return kRows[2]; }
bool IsDirectoryPublisher(std::wstring_view id) noexcept {
  return CStringUtil::EqualsNoCase(id, DirectoryPublisher().id);
}

}  // namespace wendrix
