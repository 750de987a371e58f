#pragma once
#include <QWidget>

#include <vector>

namespace platform {
struct BundleInfo;
}

class QAbstractButton;

namespace tessivar {

// The About pane: the application's icon, name and version, what it is for,
// and links the desktop opens (browser or mail client).
class AboutSettingsView : public QWidget {
    Q_OBJECT
public:
    explicit AboutSettingsView(const platform::BundleInfo& bundle, QWidget* parent = nullptr);

    const std::vector<QAbstractButton*>& links() const { return links_; }

private:
    QWidget* makeHeader(const platform::BundleInfo& bundle);

    std::vector<QAbstractButton*> links_;
};

}  // namespace tessivar
