// Granting a well-known group full access to a folder, so that every user's
// process can write the product's shared files.
#include "setup/journal.h"

#include <aclapi.h>

#include "platform/system_library.h"

namespace wendrix {
namespace {

// The security functions, bound at run time: systems without them get
// E_NOTIMPL rather than a library that fails to load.
struct SecurityApi {
  decltype(&GetNamedSecurityInfoW) getNamedSecurityInfo = nullptr;
  decltype(&GetEffectiveRightsFromAclW) getEffectiveRights = nullptr;
  decltype(&SetEntriesInAclW) setEntriesInAcl = nullptr;
  decltype(&SetNamedSecurityInfoW) setNamedSecurityInfo = nullptr;
  decltype(&AllocateAndInitializeSid) allocateSid = nullptr;
  decltype(&FreeSid) freeSid = nullptr;

  explicit SecurityApi(HMODULE advapi) {
    if (!advapi) return;
    Bind(advapi, "GetNamedSecurityInfoW", getNamedSecurityInfo);
    Bind(advapi, "GetEffectiveRightsFromAclW", getEffectiveRights);
    Bind(advapi, "SetEntriesInAclW", setEntriesInAcl);
    Bind(advapi, "SetNamedSecurityInfoW", setNamedSecurityInfo);
    Bind(advapi, "AllocateAndInitializeSid", allocateSid);
    Bind(advapi, "FreeSid", freeSid);
  }
  bool Complete() const {
    return getNamedSecurityInfo && getEffectiveRights && setEntriesInAcl && setNamedSecurityInfo && allocateSid && freeSid;
  }

 private:
  template <typename Fn>
  static void Bind(HMODULE module, const char* name, Fn& fn) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  }
};

struct LocalMemory {
  HLOCAL memory = nullptr;
  ~LocalMemory() {
    if (memory) LocalFree(memory);
  }
};

}  // namespace

HRESULT GrantFolderAccess(const std::wstring& folder, std::uint32_t mode) {
  if (mode > 1) return E_INVALIDARG;
  UniqueModule advapi = LoadSystemLibrary(L"advapi32.dll");
  const SecurityApi api(advapi.Get());
  if (!api.Complete()) return E_NOTIMPL;
  if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES) CreateDirectoryW(folder.c_str(), nullptr);

  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY, worldAuthority = SECURITY_WORLD_SID_AUTHORITY;
  PSID group = nullptr;
  const BOOL allocated = mode == 0 ? api.allocateSid(&ntAuthority, 1, SECURITY_AUTHENTICATED_USER_RID, 0, 0, 0, 0, 0, 0, 0, &group)
                                   : api.allocateSid(&worldAuthority, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &group);
  if (!allocated) return E_FAIL;
  struct SidHolder {
    PSID sid;
    decltype(&FreeSid) freeSid;
    ~SidHolder() { freeSid(sid); }
  } holder{group, api.freeSid};

  PACL dacl = nullptr;
  LocalMemory descriptor;
  if (api.getNamedSecurityInfo(const_cast<LPWSTR>(folder.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                               nullptr, &dacl, nullptr, &descriptor.memory) != ERROR_SUCCESS)
    return E_FAIL;

  TRUSTEE_W trustee{};
  trustee.TrusteeForm = TRUSTEE_IS_SID;
  trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  trustee.ptstrName = static_cast<LPWSTR>(group);
  ACCESS_MASK rights = 0;
  if (dacl && api.getEffectiveRights(dacl, &trustee, &rights) == ERROR_SUCCESS &&
      (rights & GENERIC_ALL) == GENERIC_ALL)
    return S_OK;

  EXPLICIT_ACCESS_W access{};
  access.grfAccessPermissions = GENERIC_ALL;
  access.grfAccessMode = GRANT_ACCESS;
  access.grfInheritance = SUB_CONTAINERS_AND_OBJECTS_INHERIT;
  access.Trustee = trustee;
  PACL merged = nullptr;
  if (api.setEntriesInAcl(1, &access, dacl, &merged) != ERROR_SUCCESS) return E_FAIL;
  LocalMemory mergedHolder{merged};
  return api.setNamedSecurityInfo(const_cast<LPWSTR>(folder.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                  nullptr, nullptr, merged, nullptr) == ERROR_SUCCESS
             ? S_OK
             : E_FAIL;
}

}  // namespace wendrix
