#pragma once

// The program's fixed product data.
inline constexpr const char* kProductName = "Quillbay";
inline constexpr const char* kProductVersion = "2.8.0";
inline constexpr const char* kWebSite = "https://www.quillbay.example/";
inline constexpr const char* kSupportAddress = "support@quillbay.example";
inline constexpr const char* kNotice = "Free to use. No warranty of any kind.";
