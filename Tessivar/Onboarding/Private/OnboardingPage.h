#pragma once
#include <QList>
#include <QWidget>

#include "Tessivar/Onboarding/Private/Entrance.h"

class QVBoxLayout;

namespace tessivar {

struct OnboardingAppearance;
class OnboardingView;

// One step's page: its blocks stacked in the middle of the page area, each
// with its entrance, which plays while the view says the step animates. Pages
// read and act on the view they were made for, which outlives them.
class OnboardingPage : public QWidget {
    Q_OBJECT
public:
    int step() const { return step_; }
    const QList<Entrance*>& entrances() const { return entrances_; }
    // Shows what the view holds now.
    virtual void render();

protected:
    OnboardingPage(int step, OnboardingView& view, const OnboardingAppearance& look, QWidget* parent = nullptr);

    // Adds a block below the ones before, entering as `style` says.
    void addBlock(QWidget* block, EntranceStyle style);
    // A title over a quieter text, as the pages head themselves.
    QWidget* titleBlock(std::string_view title, int titleSize, std::string_view text, QFont::Weight textWeight,
                        int textMargin = 0) const;

    OnboardingView& view_;
    const OnboardingAppearance& look_;

private:
    int step_;
    QVBoxLayout* layout_;
    QList<Entrance*> entrances_;
};

}  // namespace tessivar
