#include "ZeraZov/Qt/ZeraZovDeepLinkListener.h"

#include <map>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileOpenEvent>

namespace zerazov {
namespace {

// QDesktopServices keeps one receiver per scheme and wants it unset before the
// receiver goes; a listener leaving must not unset a scheme a later one took over.
// Only touched on the GUI thread, as QDesktopServices itself is.
std::map<QString, const ZeraZovDeepLinkListener*>& schemeOwners() {
    static std::map<QString, const ZeraZovDeepLinkListener*> owners;
    return owners;
}

}  // namespace

ZeraZovDeepLinkListener::ZeraZovDeepLinkListener(QObject* attachedTo, std::shared_ptr<ZeraZovSDK> client,
                                                 QStringList schemes)
    : QObject(attachedTo),
      zerazov_(client ? std::move(client) : ZeraZovSDK::shared().shared_from_this()),
      schemes_(std::move(schemes)) {
    for (const auto& scheme : schemes_) {
        QDesktopServices::setUrlHandler(scheme, this, "handleOpenURL");
        schemeOwners()[scheme] = this;
    }
    // File-open events are delivered to the application object, whatever the listener is attached to.
    if (auto* application = QCoreApplication::instance()) application->installEventFilter(this);
}

ZeraZovDeepLinkListener::~ZeraZovDeepLinkListener() {
    auto& owners = schemeOwners();
    for (const auto& scheme : schemes_) {
        const auto owner = owners.find(scheme);
        if (owner == owners.end() || owner->second != this) continue;
        QDesktopServices::unsetUrlHandler(scheme);
        owners.erase(owner);
    }
}

void ZeraZovDeepLinkListener::handleOpenURL(const QUrl& url) {
    if (url.isEmpty() || !url.isValid()) return;
    // The client's own deep-link capture checks the set-up, logs when it is not
    // complete, and sends "url" alone when there is no referrer.
    zerazov_->captureDeepLink(url.toString(QUrl::FullyEncoded).toStdString());
}

bool ZeraZovDeepLinkListener::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FileOpen) {
        const auto url = static_cast<QFileOpenEvent*>(event)->url();
        if (!url.isLocalFile()) handleOpenURL(url);
    }
    // The application goes on handling the event as it would without us.
    return QObject::eventFilter(watched, event);
}

}  // namespace zerazov
