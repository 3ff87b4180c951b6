// Synchronous web reads through libcurl: the caller's thread blocks, no event loop runs.

#include "FS.h"

#include "FSWeb.h"

#include <QStringDecoder>

#include <algorithm>
#include <atomic>
#include <mutex>

#include <curl/curl.h>

namespace {

constexpr long DefaultConnectMs = 10000;
constexpr long DefaultTotalMs = 30000;
constexpr long DefaultStallMs = 15000;
constexpr qsizetype MaxAnswer = 32 * 1024 * 1024;

std::atomic<long> g_connectMs{DefaultConnectMs};
std::atomic<long> g_totalMs{DefaultTotalMs};
std::atomic<long> g_stallMs{DefaultStallMs};

struct Answer
{
    QByteArray body;
    qsizetype cap = MaxAnswer;
    bool tooLarge = false;
};

size_t collect(char* data, size_t size, size_t count, void* user)
{
    auto* answer = static_cast<Answer*>(user);
    const size_t bytes = size * count;
    if (qsizetype(bytes) > answer->cap - answer->body.size()) {
        answer->tooLarge = true;
        return 0; // makes curl stop with a write error
    }
    answer->body.append(data, qsizetype(bytes));
    return bytes;
}

struct Fetched
{
    std::optional<QString> text;
    std::optional<QString> error;
};

// Fetches the address, at most cap bytes; exactly one of body and error is set.
fs_web::FetchedBytes fetchBytes(const QString& address, qsizetype cap)
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    if (address.trimmed().isEmpty() || address.contains(QChar(0))) {
        return {std::nullopt, QStringLiteral("URL using bad/illegal format or missing URL")};
    }
    CURL* curl = curl_easy_init();
    if (!curl) {
        return {std::nullopt, QStringLiteral("Out of memory")};
    }
    const QByteArray url = address.toUtf8();
    Answer answer;
    answer.cap = cap;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    // Threads may call this: no signals for resolver time-outs.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https,ftp,ftps,file");
    // A server may not redirect a web read to a local file.
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp,ftps");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, g_connectMs.load());
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, g_totalMs.load());
    // Fewer than one byte per second over the stall time ends the fetch.
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, std::max(1L, (g_stallMs.load() + 999) / 1000));
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Carrowen");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);

    const CURLcode code = curl_easy_perform(curl);
    fs_web::FetchedBytes result;
    if (code != CURLE_OK) {
        if (answer.tooLarge) {
            result.error = QStringLiteral("The answer is larger than %1 bytes").arg(cap);
        } else {
            const QString detail = QString::fromUtf8(errorBuffer).trimmed();
            result.error = detail.isEmpty() ? QString::fromUtf8(curl_easy_strerror(code)) : detail;
        }
    } else {
        result.body = std::move(answer.body);
    }
    curl_easy_cleanup(curl);
    return result;
}

// Fetches the address and decodes the answer as UTF-8; exactly one of text and error is set.
Fetched fetch(const QString& address)
{
    fs_web::FetchedBytes bytes = fetchBytes(address, MaxAnswer);
    if (bytes.error) {
        return {std::nullopt, bytes.error};
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(*bytes.body);
    if (decoder.hasError()) {
        return {std::nullopt, QStringLiteral("The answer is not UTF-8 text")};
    }
    return {std::move(text), std::nullopt};
}

} // namespace

namespace fs_web {

FetchedBytes fetch(const QString& address, qsizetype maxBytes)
{
    return fetchBytes(address, maxBytes);
}

void setTimeouts(long connectMs, long totalMs, long stallMs)
{
    g_connectMs = connectMs > 0 ? connectMs : DefaultConnectMs;
    g_totalMs = totalMs > 0 ? totalMs : DefaultTotalMs;
    g_stallMs = stallMs > 0 ? stallMs : DefaultStallMs;
}

} // namespace fs_web

bool FS::doesUrlExist(const QString& address) const
{
    return !fetch(address).error;
}

std::optional<QString> FS::doesUrlExistWithError(const QString& address) const
{
    return fetch(address).error;
}

QString FS::readTxtFromUrl(const QString& address) const
{
    return fetch(address).text.value_or(QString());
}
