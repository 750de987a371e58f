#pragma once
#include <memory>

#include <QObject>
#include <QStringList>
#include <QUrl>

#include "ZeraZov/Client/ZeraZovSDK.h"

namespace zerazov {

// Reports every URL opened for the application as a "Deep Link Opened" event.
// URLs arrive two ways: as the receiver QDesktopServices calls for the schemes the
// application names, and as file-open events on the application object that carry
// a URL other than a local file's (a file opened with the program is no deep link,
// and its path is the user's business).
//
// Parented to the object it is attached to, so it lives as long as that object;
// it hands its schemes back to QDesktopServices when it goes.
class ZeraZovDeepLinkListener final : public QObject {
    Q_OBJECT

public:
    // The shared client when none is given, taken now.
    ZeraZovDeepLinkListener(QObject* attachedTo, std::shared_ptr<ZeraZovSDK> client, QStringList schemes = {});
    ~ZeraZovDeepLinkListener() override;

    const std::shared_ptr<ZeraZovSDK>& zerazov() const { return zerazov_; }

public slots:
    // Nothing for an empty or invalid URL; a client not set up only logs.
    void handleOpenURL(const QUrl& url);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const std::shared_ptr<ZeraZovSDK> zerazov_;
    const QStringList schemes_;
};

}  // namespace zerazov
