#include "SmtpSender.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>
#include <utility>

#include "SmtpError.h"

namespace {

void initialiseCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CURL* handleOf(void* handle) {
    return static_cast<CURL*>(handle);
}

struct Upload {
    const QByteArray* data = nullptr;
    qsizetype offset = 0;
};

size_t readUpload(char* buffer, size_t size, size_t count, void* userdata) {
    auto* upload = static_cast<Upload*>(userdata);
    const qsizetype left = upload->data->size() - upload->offset;
    const qsizetype n = std::min<qsizetype>(left, static_cast<qsizetype>(size * count));
    std::memcpy(buffer, upload->data->constData() + upload->offset, static_cast<size_t>(n));
    upload->offset += n;
    return static_cast<size_t>(n);
}

// Replies to commands such as NOOP arrive as data; nobody reads them.
size_t discard(char*, size_t size, size_t count, void*) {
    return size * count;
}

int noteDialogue(CURL*, curl_infotype type, char* data, size_t size, void* userdata) {
    auto* transcript = static_cast<SmtpSender::Transcript*>(userdata);
    if (type == CURLINFO_HEADER_OUT && size >= 9 && std::memcmp(data, "MAIL FROM", 9) == 0) {
        transcript->mailStarted = true;
    }
    if (type == CURLINFO_HEADER_IN) {
        // Only refusals: the reply to the QUIT that follows a failure must not hide them.
        const QByteArray line = QByteArray(data, static_cast<qsizetype>(size)).trimmed();
        if (line.startsWith('4') || line.startsWith('5')) transcript->lastRefusal = line;
    }
    return 0;
}

int keepWindowAlive(void* userdata, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto& idle = *static_cast<const std::function<void()>*>(userdata);
    if (idle) idle();
    return 0;
}

long wholeSeconds(int ms) {
    return std::max(1L, (static_cast<long>(ms) + 999) / 1000);
}

// An address for the envelope, in angle brackets; what could end the command line or the
// brackets is dropped.
QByteArray envelopeAddress(const QString& address) {
    QByteArray bytes;
    for (const char c : address.trimmed().toUtf8()) {
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f && c != '<' && c != '>') {
            bytes += c;
        }
    }
    return '<' + bytes + '>';
}

QString urlError(CURLUcode code, const QString& host) {
    return QStringLiteral("%1: %2").arg(QString::fromUtf8(curl_url_strerror(code)), host);
}

}  // namespace

SmtpSender::SmtpSender(Options options) : options_(std::move(options)) {
    initialiseCurl();
}

SmtpSender::~SmtpSender() {
    close();
}

QByteArray SmtpSender::url(const Options& options) {
    initialiseCurl();
    QString host = options.host.trimmed();
    if (host.contains(u':') && !host.startsWith(u'[')) host = u'[' + host + u']';
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> u(curl_url(), &curl_url_cleanup);
    curl_url_set(u.get(), CURLUPART_SCHEME, options.implicitTls ? "smtps" : "smtp", 0);
    CURLUcode rc =
        host.isEmpty() ? CURLUE_NO_HOST : curl_url_set(u.get(), CURLUPART_HOST, host.toUtf8(), 0);
    if (rc == CURLUE_OK) {
        rc = curl_url_set(u.get(), CURLUPART_PORT, QByteArray::number(options.port), 0);
    }
    char* text = nullptr;
    if (rc == CURLUE_OK) rc = curl_url_get(u.get(), CURLUPART_URL, &text, 0);
    if (rc != CURLUE_OK) throw SmtpError(SmtpError::Kind::Connection, urlError(rc, host));
    QByteArray result(text);
    curl_free(text);
    return result;
}

void SmtpSender::configure() {
    const QByteArray address = url(options_);
    CURL* h = curl_easy_init();
    if (!h) {
        throw SmtpError(SmtpError::Kind::Connection,
                        QString::fromUtf8(curl_easy_strerror(CURLE_FAILED_INIT)));
    }
    handle_ = h;
    curl_easy_setopt(h, CURLOPT_URL, address.constData());
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer_);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    // Straight to the server: a proxy variable meant for web browsing must not carry the mail.
    curl_easy_setopt(h, CURLOPT_PROXY, "");
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options_.connectTimeoutMs));
    curl_easy_setopt(h, CURLOPT_SERVER_RESPONSE_TIMEOUT, wholeSeconds(options_.responseTimeoutMs));
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(options_.transferTimeoutMs));
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, wholeSeconds(options_.responseTimeoutMs));
    curl_easy_setopt(h, CURLOPT_USE_SSL,
                     static_cast<long>(options_.implicitTls ? CURLUSESSL_ALL : CURLUSESSL_TRY));
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!options_.caFile.isEmpty()) {
        curl_easy_setopt(h, CURLOPT_CAINFO, options_.caFile.toLocal8Bit().constData());
    }
    if (options_.login) {
        curl_easy_setopt(h, CURLOPT_USERNAME, options_.user.toUtf8().constData());
        curl_easy_setopt(h, CURLOPT_PASSWORD, options_.password.toUtf8().constData());
        curl_easy_setopt(h, CURLOPT_LOGIN_OPTIONS, "AUTH=LOGIN");
    }
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &discard);
    curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, &noteDialogue);
    curl_easy_setopt(h, CURLOPT_DEBUGDATA, &transcript_);
    curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &keepWindowAlive);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &options_.idle);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
}

int SmtpSender::perform() {
    transcript_ = Transcript();
    errorBuffer_[0] = '\0';
    return curl_easy_perform(handleOf(handle_));
}

QString SmtpSender::errorText(int code) const {
    QString text = QString::fromUtf8(errorBuffer_).trimmed();
    if (text.isEmpty()) text = QString::fromUtf8(curl_easy_strerror(static_cast<CURLcode>(code)));
    if (!transcript_.lastRefusal.isEmpty()) {
        text += QStringLiteral(" (%1)").arg(QString::fromUtf8(transcript_.lastRefusal));
    }
    return text;
}

void SmtpSender::open() {
    close();
    configure();
    // A command without recipients makes libcurl connect, greet, start TLS and log in, and keep
    // the connection for the messages that follow.
    CURL* h = handleOf(handle_);
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, "NOOP");
    curl_easy_setopt(h, CURLOPT_UPLOAD, 0L);
    const int code = perform();
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, nullptr);
    if (code == CURLE_OK) return;
    const QString text = errorText(code);
    close();
    throw SmtpError(SmtpError::Kind::Connection, text);
}

void SmtpSender::send(const QString& from, const QString& to, const QByteArray& message) {
    if (!handle_) configure();
    CURL* h = handleOf(handle_);
    const QByteArray sender = envelopeAddress(from);
    const QByteArray recipient = envelopeAddress(to);
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> recipients(
        curl_slist_append(nullptr, recipient.constData()), &curl_slist_free_all);
    Upload upload{&message, 0};
    curl_easy_setopt(h, CURLOPT_MAIL_FROM, sender.constData());
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT, recipients.get());
    curl_easy_setopt(h, CURLOPT_READFUNCTION, &readUpload);
    curl_easy_setopt(h, CURLOPT_READDATA, &upload);
    curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));
    curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    const int code = perform();
    curl_easy_setopt(h, CURLOPT_MAIL_RCPT, nullptr);
    curl_easy_setopt(h, CURLOPT_READDATA, nullptr);
    curl_easy_setopt(h, CURLOPT_UPLOAD, 0L);
    if (code == CURLE_OK) return;

    long reply = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &reply);
    const QString text = errorText(code);
    if (transcript_.mailStarted && reply >= 400 && reply < 600) {
        throw SmtpError(SmtpError::Kind::Rejected, text, static_cast<int>(reply));
    }
    close();
    throw SmtpError(SmtpError::Kind::Connection, text);
}

void SmtpSender::close() {
    if (!handle_) return;
    // Cleaning up the handle says QUIT on a live connection and closes it.
    curl_easy_cleanup(handleOf(handle_));
    handle_ = nullptr;
}
