#include "Tessivar/Onboarding/Private/Spring.h"

#include <cmath>
#include <numbers>

namespace tessivar {

namespace {
constexpr double kSettled = 1e-3;
constexpr double kStep = 1.0 / 240;

double naturalFrequency(const Spring& spring) { return 2 * std::numbers::pi / spring.response; }

// How far from 1 the value can still be: the swing's envelope, which only
// shrinks. A spring damped at least critically moves as a critical one.
double envelope(const Spring& spring, double seconds) {
    const double natural = naturalFrequency(spring);
    const double zeta = spring.dampingFraction;
    const double decay = std::exp(-std::min(zeta, 1.0) * natural * seconds);
    if (zeta >= 1) return decay * (1 + natural * seconds);
    const double damped = natural * std::sqrt(1 - zeta * zeta);
    return decay * std::hypot(1.0, zeta * natural / damped);
}
}  // namespace

double Spring::value(double seconds) const {
    if (seconds <= 0) return 0;
    const double natural = naturalFrequency(*this);
    const double zeta = dampingFraction;
    if (zeta >= 1) return 1 - std::exp(-natural * seconds) * (1 + natural * seconds);
    const double damped = natural * std::sqrt(1 - zeta * zeta);
    return 1 - std::exp(-zeta * natural * seconds) *
                   (std::cos(damped * seconds) + zeta * natural / damped * std::sin(damped * seconds));
}

double Spring::settlingSeconds() const {
    double seconds = 0;
    while (envelope(*this, seconds) > kSettled) seconds += kStep;
    return seconds;
}

}  // namespace tessivar
