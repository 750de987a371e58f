#include "Tessivar/Settings/Private/AboutSettingsView.h"

#include <QBoxLayout>
#include <QDesktopServices>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QUrl>

#include "Tessivar/Settings/AboutInfo.h"
#include "Tessivar/Settings/Private/SettingsStyle.h"
#include "Tessivar/StatusMenu/SymbolIcons.h"

namespace tessivar {

using SettingsStyle::text;

namespace {

constexpr int kIconSide = 56;
constexpr int kLinkRowHeight = 26;
constexpr int kLinkSymbolSide = 16;

// A label inside a link row: the row takes the clicks.
QLabel* rowPart(QLabel* label) {
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

// The symbol and the title on the left, "↗" at the row's right end.
QPushButton* linkRow(const AboutInfo::Link& link) {
    auto* row = new QPushButton;
    row->setFlat(true);
    row->setCursor(Qt::PointingHandCursor);
    row->setMinimumHeight(kLinkRowHeight);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(6);
    auto* picture = rowPart(new QLabel);
    picture->setPixmap(
        SymbolIcons::icon(std::string(link.symbol), row->palette().color(QPalette::ButtonText), kLinkSymbolSide)
            .pixmap(kLinkSymbolSide));
    layout->addWidget(picture);
    layout->addWidget(rowPart(new QLabel(text(link.title))));
    layout->addStretch(1);
    layout->addWidget(rowPart(new QLabel(QStringLiteral("↗"))));
    const QUrl destination(text(link.destination));
    QObject::connect(row, &QPushButton::clicked, row, [destination] { QDesktopServices::openUrl(destination); });
    return row;
}

}  // namespace

AboutSettingsView::AboutSettingsView(const platform::BundleInfo& bundle, QWidget* parent) : QWidget(parent) {
    auto* layout = SettingsStyle::paneLayout(this);
    layout->addWidget(makeHeader(bundle));

    auto* product = SettingsStyle::section(AboutInfo::kSectionProduct, this);
    product->layout()->setSpacing(6);
    product->layout()->addWidget(SettingsStyle::label(text(AboutInfo::kSummary), 13, QFont::Medium));
    auto* description = SettingsStyle::label(text(AboutInfo::kDescription), 12, 0, true);
    description->setWordWrap(true);
    product->layout()->addWidget(description);
    layout->addWidget(product);

    auto* links = SettingsStyle::section(AboutInfo::kSectionLinks, this);
    for (const auto& link : AboutInfo::kLinks) {
        auto* row = linkRow(link);
        links_.push_back(row);
        links->layout()->addWidget(row);
    }
    layout->addWidget(links);
    layout->addStretch();
}

QWidget* AboutSettingsView::makeHeader(const platform::BundleInfo& bundle) {
    auto* header = SettingsStyle::section("", this);
    auto* row = new QHBoxLayout;
    row->setSpacing(16);
    auto* icon = new QLabel;
    icon->setPixmap(ApplicationIcon::pixmap(kIconSide));
    row->addWidget(icon);
    auto* names = new QVBoxLayout;
    names->setSpacing(4);
    names->addWidget(SettingsStyle::label(text(AboutInfo::kName), 15, QFont::DemiBold));
    names->addWidget(SettingsStyle::label(
        text(AboutInfo::kVersionPrefix) + QString::fromStdString(AboutInfo::appVersion(bundle)), 11, 0, true));
    row->addLayout(names);
    row->addStretch();
    static_cast<QBoxLayout*>(header->layout())->addLayout(row);
    return header;
}

}  // namespace tessivar
