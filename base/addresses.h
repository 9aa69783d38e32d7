// The addresses the program names: the product's pages, the support mailbox
// and the outside connection viewer's page. Each is written here once.
#pragma once

inline constexpr wchar_t kHomePageUrl[] = L"https://www.quarlen.example/zephra/";
inline constexpr wchar_t kSupportAddress[] = L"support@quarlen.example";
inline constexpr wchar_t kSupportMailUrl[] = L"mailto:support@quarlen.example";
inline constexpr wchar_t kCheckUpdateUrl[] = L"https://www.quarlen.example/Zephra/CheckUpdate/?Ver=3.6&Build=437";
inline constexpr wchar_t kMakerHomeUrl[] = L"https://www.quarlen.example/";
inline constexpr wchar_t kTcpViewPageUrl[] = L"https://learn.microsoft.com/sysinternals/downloads/tcpview";
