#pragma once
#include <QString>
#include <QWidget>

namespace tessivar {

struct OnboardingAppearance;

// A key drawn as on a keyboard: a rounded cap with the key's symbol at its top
// left and its name at its bottom left. 48 high.
class KeyCap : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 48;

    KeyCap(const QString& symbol, const QString& caption, int width, const OnboardingAppearance& look,
           QWidget* parent = nullptr);

    QString symbol() const { return symbol_; }
    QString caption() const { return caption_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString symbol_;
    QString caption_;
    QColor face_;
    QColor text_;
    QColor captionColour_;
};

}  // namespace tessivar
