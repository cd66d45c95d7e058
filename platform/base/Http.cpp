#include "platform/base/Http.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

#include <memory>

namespace kavio::platform {

void httpGet(const QUrl& url, const HttpLimits& limits, QObject* owner,
             std::function<void(std::optional<QByteArray>)> done, const QString& userAgent)
{
    QObject* context = owner ? owner : QCoreApplication::instance();
    auto* manager = new QNetworkAccessManager(context);
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    if (!userAgent.isEmpty())
        request.setHeader(QNetworkRequest::UserAgentHeader, userAgent);
    QNetworkReply* reply = manager->get(request);
    // The body is kept here, checked against the limit as it comes.
    auto body = std::make_shared<QByteArray>();
    auto failed = std::make_shared<bool>(false);
    auto* deadline = new QTimer(manager);
    deadline->setSingleShot(true);
    QObject::connect(deadline, &QTimer::timeout, reply, [reply, failed] {
        *failed = true;
        reply->abort();
    });
    deadline->start(limits.timeout);
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, body, failed, limit = limits.maxBytes] {
        body->append(reply->readAll());
        if (body->size() > limit) {
            *failed = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, manager, [manager, reply, body, failed, done = std::move(done)] {
        body->append(reply->readAll());
        // A status with a body (a 403 with its JSON) still answers; only no body is silence.
        const bool noBody = *failed || (reply->error() != QNetworkReply::NoError &&
                                        reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isNull());
        manager->deleteLater();
        if (done)
            done(noBody ? std::nullopt : std::optional<QByteArray>(*body));
    });
}

} // namespace kavio::platform
