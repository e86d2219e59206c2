#pragma once
// The product's web site, wherever the product links to itself (the "about"
// link of its uninstall entry among them).
namespace wendrix {

inline constexpr wchar_t kProductWebSite[] = L"http://www.kestmoor.example/wendrix/";

}  // namespace wendrix
