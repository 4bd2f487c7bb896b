#pragma once
// The publisher's name and pages, as the About window shows and opens them.
// Every address the program opens is here.
namespace barsmith {

inline constexpr wchar_t kPublisherName[] = L"Barsmith Project";
inline constexpr wchar_t kHomePage[] = L"https://barsmith.example.org/";
inline constexpr wchar_t kMailingListPage[] = L"https://barsmith.example.org/lists/";

}  // namespace barsmith
