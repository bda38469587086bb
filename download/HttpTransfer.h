// HTTP transfers on libcurl's easy interface: the length query, the short text fetch, and the
// option sets of the description and segment transfers that the engine runs on its threads.
// Every handle speaks HTTP, and HTTPS where a URL says so, and follows redirects only to those:
// a description that names a file:// or other address reads nothing local.
#pragma once

#include <curl/curl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

inline constexpr const char* kDescriptionUserAgent = "Lavf/55.13.102";
inline constexpr const char* kSegmentUserAgent = "Downloader";
// A server that accepts the connection but never answers would otherwise hold the length
// query, and with it DownloadCfg or the mirror check, for ever.
inline constexpr long kLengthQueryTimeoutSeconds = 10;
inline constexpr long kTextFetchTimeoutSeconds = 2;
// The version file and the load probe answer a few characters; anything past 64 KiB is not such
// an answer, and is not kept growing until the time-out.
inline constexpr size_t kMaxTextBytes = 64 * 1024;
inline constexpr uint32_t kUnknownLength = 0xFFFFFFFFu;
// What libcurl hands a write callback at most: fewer, larger chunks cost less per byte.
inline constexpr long kTransferBufferBytes = 256 * 1024;

struct CurlEasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;

using CurlWriteFunction = size_t (*)(char* data, size_t size, size_t count, void* user);
using CurlProgressFunction = int (*)(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
// Asked about once a second while a transfer runs; true ends the transfer.
using CancelCheck = std::function<bool()>;

// Whether url names http:// or https:// (any case), the only schemes the engine fetches.
bool IsHttpUrl(const char* url);

// The remote length of url from a header-only request, all bits set when the query failed, the
// server sent no length, the length does not fit 32 bits, or cancel said so.
uint32_t GetDownloadFileLenth(const char* url, const std::string& proxy = {},
                              const CancelCheck& cancel = {});
// The body at url within two seconds, or "error" (also for an answer past kMaxTextBytes).
std::string FetchText(const char* url, const CancelCheck& cancel = {});

// Option sets of the two transfers the engine performs on its own threads. progress is called
// about once a second and on every chunk with user as its first argument.
void ConfigureDescriptionTransfer(CURL* handle, const char* url, CurlWriteFunction write,
                                  CurlProgressFunction progress, void* user,
                                  const std::string& proxy);
// range is "%d-%d" of the segment's first and last byte, or null for the whole resource.
void ConfigureSegmentTransfer(CURL* handle, const char* url, const char* range,
                              CurlWriteFunction write, CurlProgressFunction progress, void* user,
                              const std::string& proxy);
