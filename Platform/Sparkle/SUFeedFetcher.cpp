#include "Platform/Sparkle/SUFeedFetcher.h"

#include <curl/curl.h>

#include <memory>
#include <strings.h>
#include <mutex>

namespace {

struct Transfer {
    std::string body;
    std::size_t maximumSize;
    bool tooLarge = false;
};

std::size_t receive(char* data, std::size_t size, std::size_t count, void* closure)
{
    auto* transfer = static_cast<Transfer*>(closure);
    std::size_t bytes = size * count;
    if (transfer->body.size() + bytes > transfer->maximumSize) {
        transfer->tooLarge = true;
        // Anything but `bytes` stops the transfer.
        return 0;
    }
    transfer->body.append(data, bytes);
    return bytes;
}

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

bool isHTTPS(const std::string& url)
{
    // Schemes are case-insensitive.
    return url.size() > 6 && strncasecmp(url.c_str(), "https:", 6) == 0;
}

std::string sizeText(std::size_t bytes)
{
    return std::to_string(bytes) + " bytes";
}

}  // namespace

Expected<std::string> SUFeedFetcher::fetch(const std::string& url, const Limits& limits)
{
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    std::unique_ptr<CURL, EasyDeleter> handle(curl_easy_init());
    if (!handle)
        return Error{0, "The update feed cannot be fetched: no transfer could be set up."};
    Transfer transfer{{}, limits.maximumSize};
    char message[CURL_ERROR_SIZE] = "";
    CURL* easy = handle.get();
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https,file");
    // A feed asked for over https is never read over plain http: a redirect
    // keeps to https.
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, isHTTPS(url) ? "https" : "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.timeout.count()));
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maximumSize));
    curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
    // Worker threads must not get the alarm signal libcurl uses for timeouts otherwise.
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "Parvex update check");
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, receive);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, message);

    CURLcode result = curl_easy_perform(easy);
    if (transfer.tooLarge || result == CURLE_FILESIZE_EXCEEDED)
        return Error{EFBIG, "The update feed at " + url + " is larger than " + sizeText(limits.maximumSize) + "."};
    if (result != CURLE_OK) {
        std::string why = message[0] ? message : curl_easy_strerror(result);
        return Error{0, "The update feed at " + url + " could not be fetched: " + why + "."};
    }
    return std::move(transfer.body);
}
