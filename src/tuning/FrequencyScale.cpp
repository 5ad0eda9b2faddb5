#include "FrequencyScale.h"

#include "common/Convert.h"

#include <algorithm>
#include <cmath>
#include <QFontMetricsF>

using platform::PictureBox;

namespace display {

double Modulo(double a, double b) {
    if (!(b > 0) || !std::isfinite(a) || !std::isfinite(b)) return std::nan("");
    const double r = a - b * std::floor(a / b);
    // Rounding can land exactly on b for tiny negative a.
    return r >= b ? 0.0 : r;
}

double ScaleBaseHz(const QString& qsoFrequency) {
    try {
        // A dial no radio has counts as none (its labels would be hundreds of digits wide).
        const double khz = common::parseDouble(qsoFrequency);
        return std::abs(khz) <= common::kMaxDialKHz ? khz * 1000.0 : 0.0;
    } catch (const common::RuntimeError&) {
        return 0.0;
    }
}

std::vector<FrequencyTick> FrequencyTicks(double leftHz, double hzPerUnit, int units) {
    std::vector<FrequencyTick> ticks;
    // A step of 100 Hz or more per unit would tick every column: no scale is better.
    if (!(hzPerUnit > 0 && hzPerUnit < 100) || !std::isfinite(leftHz) || units < 0) return ticks;
    units = std::min(units, 1 << 16);
    for (int x = 0; x <= units; ++x) {
        // The multiple nearest this column lies in [f - hz/2, f + hz/2).
        const double f = leftHz + x * hzPerUnit + hzPerUnit / 2;
        if (const double m = Modulo(f, 1000.0); m < hzPerUnit) {
            const double khz = std::round((f - m) / 1000.0) + 0.0; // no "-0"
            ticks.push_back({x, TickKind::Long, QString::number(khz, 'f', 0)});
        } else if (Modulo(f, 500.0) < hzPerUnit) {
            ticks.push_back({x, TickKind::Medium, {}});
        } else if (Modulo(f, 100.0) < hzPerUnit) {
            ticks.push_back({x, TickKind::Short, {}});
        }
    }
    return ticks;
}

void DrawFrequencyTick(PictureBox& box, double x, double length) {
    box.line(x, 0, x, length, box.foreColor());
}

void LabelFrequencyTick(PictureBox& box, double x, double top, const QString& label) {
    const double w = box.textWidth(label);
    double left = x - w / 2;
    if (w <= box.scaleWidth()) left = std::clamp(left, 0.0, box.scaleWidth() - w);
    box.drawText(left, top, label);
}

void DrawFrequencyScale(PictureBox& frequency, const QString& qsoFrequency,
                        double waterfallScaleWidth, double hzPerUnit) {
    frequency.clear();
    const int h = frequency.pixelHeight();
    if (h <= 0 || !(waterfallScaleWidth > 0)) return;
    frequency.setScale(waterfallScaleWidth, h);

    const QFontMetricsF fm(frequency.font());
    const int longTick = std::max(2, int(h - 2 - std::ceil(fm.capHeight())));
    const int mediumTick = std::max(1, longTick * 2 / 3);
    const int shortTick = std::max(1, longTick / 3);
    const double labelTop = h - 1 - fm.ascent(); // digits end on the bottom row

    const int units = int(std::min(waterfallScaleWidth, double(1 << 16)));
    for (const FrequencyTick& t : FrequencyTicks(ScaleBaseHz(qsoFrequency), hzPerUnit, units)) {
        switch (t.kind) {
        case TickKind::Long:
            DrawFrequencyTick(frequency, t.unit, longTick);
            LabelFrequencyTick(frequency, t.unit, labelTop, t.label);
            break;
        case TickKind::Medium:
            DrawFrequencyTick(frequency, t.unit, mediumTick);
            break;
        case TickKind::Short:
            DrawFrequencyTick(frequency, t.unit, shortTick);
            break;
        }
    }
}

} // namespace display
