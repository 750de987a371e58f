#pragma once
#include <chrono>

class QWidget;

namespace tessivar {

// What a widget that goes away showed last, left where it was and faded out
// with the ease-in-out curve, over what takes its place: a change of step or
// of a card's content is then a cross-fade, not a cut. The picture takes no
// clicks and goes once it has faded. A hidden widget leaves nothing.
namespace FadingPicture {

void fadeOut(QWidget& leaving, std::chrono::milliseconds duration);

}  // namespace FadingPicture
}  // namespace tessivar
