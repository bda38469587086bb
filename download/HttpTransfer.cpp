#include "download/HttpTransfer.h"

#include "app/Log.h"

#include <cctype>
#include <string_view>

namespace {

constexpr const char* kAllowedProtocols = "http,https";

size_t DiscardBody(char* data, size_t size, size_t count, void* user) {
    return size * count;
}

struct TextAnswer {
    std::string text;
    bool cutOff = false;
};

size_t AppendToText(char* data, size_t size, size_t count, void* user) {
    auto* answer = static_cast<TextAnswer*>(user);
    if (answer->text.size() + size * count > kMaxTextBytes) {
        answer->cutOff = true;
        return 0;
    }
    answer->text.append(data, size * count);
    return size * count;
}

int AskCancel(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* cancel = static_cast<const CancelCheck*>(user);
    return (*cancel)() ? 1 : 0;
}

// Every handle: HTTP and HTTPS only, for the first request and for every redirect.
void RestrictProtocols(CURL* handle) {
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, kAllowedProtocols);
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, kAllowedProtocols);
}

void SetCancel(CURL* handle, const CancelCheck& cancel) {
    if (!cancel) {
        return;
    }
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &AskCancel);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &cancel);
}

void SetProxyOptions(CURL* handle, const std::string& proxy) {
    if (proxy.empty()) {
        return;
    }
    curl_easy_setopt(handle, CURLOPT_PROXY, proxy.c_str());
    curl_easy_setopt(handle, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
}

// The options both engine transfers share: no signals, give up below one byte a second for
// five seconds, and follow redirects. The progress function is on: it is how Stop and the
// engine's own bounds reach a transfer that waits for data.
void SetTransferOptions(CURL* handle, const char* url, CurlWriteFunction write,
                        CurlProgressFunction progress, void* user, const char* userAgent) {
    curl_easy_setopt(handle, CURLOPT_URL, url);
    RestrictProtocols(handle);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, write);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, user);
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, progress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, user);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, 5L);
    curl_easy_setopt(handle, CURLOPT_TIMEOUT, 20000L);
    curl_easy_setopt(handle, CURLOPT_USERAGENT, userAgent);
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, kTransferBufferBytes);
}

} // namespace

bool IsHttpUrl(const char* url) {
    if (url == nullptr) {
        return false;
    }
    auto startsWith = [url](std::string_view scheme) {
        for (size_t i = 0; i < scheme.size(); ++i) {
            if (url[i] == '\0' || std::tolower(static_cast<unsigned char>(url[i])) != scheme[i]) {
                return false;
            }
        }
        return true;
    };
    return startsWith("http://") || startsWith("https://");
}

uint32_t GetDownloadFileLenth(const char* url, const std::string& proxy,
                              const CancelCheck& cancel) {
    CurlEasy handle(curl_easy_init());
    if (!handle || url == nullptr) {
        LogFormat("Download_GetDownloadFileLenth : result(%d), url_err(%d).\n", -1,
                  static_cast<int>(CURLE_FAILED_INIT));
        return kUnknownLength;
    }
    curl_easy_setopt(handle.get(), CURLOPT_URL, url);
    RestrictProtocols(handle.get());
    curl_easy_setopt(handle.get(), CURLOPT_WRITEFUNCTION, &DiscardBody);
    curl_easy_setopt(handle.get(), CURLOPT_USERAGENT, kDescriptionUserAgent);
    curl_easy_setopt(handle.get(), CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(handle.get(), CURLOPT_HEADER, 1L);
    curl_easy_setopt(handle.get(), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(handle.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle.get(), CURLOPT_TIMEOUT, kLengthQueryTimeoutSeconds);
    SetCancel(handle.get(), cancel);
    SetProxyOptions(handle.get(), proxy);

    const CURLcode result = curl_easy_perform(handle.get());
    curl_off_t length = -1;
    if (result != CURLE_OK ||
        curl_easy_getinfo(handle.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK) {
        length = -1;
    }
    if (result == CURLE_OPERATION_TIMEDOUT) {
        LogFormat("Download_GetDownloadFileLenth : no answer within %ld s, url(%s).\n",
                  kLengthQueryTimeoutSeconds, url);
    }
    LogFormat("Download_GetDownloadFileLenth : result(%d), url_err(%d).\n",
              static_cast<int>(length), static_cast<int>(result));
    if (length < 0 || length >= static_cast<curl_off_t>(kUnknownLength)) {
        return kUnknownLength;
    }
    return static_cast<uint32_t>(length);
}

std::string FetchText(const char* url, const CancelCheck& cancel) {
    CurlEasy handle(curl_easy_init());
    if (!handle || url == nullptr) {
        return "error";
    }
    TextAnswer answer;
    curl_easy_setopt(handle.get(), CURLOPT_URL, url);
    RestrictProtocols(handle.get());
    curl_easy_setopt(handle.get(), CURLOPT_WRITEFUNCTION, &AppendToText);
    curl_easy_setopt(handle.get(), CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(handle.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle.get(), CURLOPT_TIMEOUT, kTextFetchTimeoutSeconds);
    SetCancel(handle.get(), cancel);
    const CURLcode result = curl_easy_perform(handle.get());
    if (answer.cutOff) {
        LogFormat("Download_FetchText : the answer of %s passed %zu bytes, cut off.\n", url,
                  kMaxTextBytes);
    }
    if (result != CURLE_OK) {
        return "error";
    }
    return std::move(answer.text);
}

void ConfigureDescriptionTransfer(CURL* handle, const char* url, CurlWriteFunction write,
                                  CurlProgressFunction progress, void* user,
                                  const std::string& proxy) {
    SetTransferOptions(handle, url, write, progress, user, kDescriptionUserAgent);
    SetProxyOptions(handle, proxy);
}

void ConfigureSegmentTransfer(CURL* handle, const char* url, const char* range,
                              CurlWriteFunction write, CurlProgressFunction progress, void* user,
                              const std::string& proxy) {
    SetTransferOptions(handle, url, write, progress, user, kSegmentUserAgent);
    if (range != nullptr) {
        curl_easy_setopt(handle, CURLOPT_RANGE, range);
        curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
    }
    SetProxyOptions(handle, proxy);
}
