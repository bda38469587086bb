// HTTP transfers on libcurl's easy interface: the length query, the short text fetch, and the
// option sets of the description and segment transfers that the engine runs on its threads.
#pragma once

#include <curl/curl.h>

#include <cstdint>
#include <memory>
#include <string>

inline constexpr const char* kDescriptionUserAgent = "Lavf/55.13.102";
inline constexpr const char* kSegmentUserAgent = "Downloader";
// A server that accepts the connection but never answers would otherwise hold the length
// query, and with it DownloadCfg or the mirror check, for ever.
inline constexpr long kLengthQueryTimeoutSeconds = 10;
inline constexpr long kTextFetchTimeoutSeconds = 2;
inline constexpr uint32_t kUnknownLength = 0xFFFFFFFFu;

struct CurlEasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;

using CurlWriteFunction = size_t (*)(char* data, size_t size, size_t count, void* user);

// The remote length of url from a header-only request, all bits set when the query failed, the
// server sent no length, or the length does not fit 32 bits.
uint32_t GetDownloadFileLenth(const char* url, const std::string& proxy = {});
// The body at url within two seconds, or "error".
std::string FetchText(const char* url);

// Option sets of the two transfers the engine performs on its own threads.
void ConfigureDescriptionTransfer(CURL* handle, const char* url, CurlWriteFunction write,
                                  void* writeData, const std::string& proxy);
// range is "%d-%d" of the segment's first and last byte, or null for the whole resource.
void ConfigureSegmentTransfer(CURL* handle, const char* url, const char* range,
                              CurlWriteFunction write, void* writeData, const std::string& proxy);
