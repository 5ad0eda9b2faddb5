#pragma once
// The frequency scale under the waterfall: ticks every 100 Hz (short), 500 Hz (medium) and
// 1000 Hz (long, labelled in kHz), on the waterfall's horizontal scale. With a dial frequency
// in the QSO field the scale reads absolute kHz; with an empty field, the audio frequency.
#include "platform/PictureBox.h"

#include <QString>
#include <vector>

namespace display {

enum class TickKind { Short, Medium, Long };

struct FrequencyTick {
    int unit = 0; // scale unit (column) of the tick
    TickKind kind = TickKind::Short;
    QString label; // kHz, long ticks only
};

// Floating-point remainder in [0, b) for b > 0 (the sign follows the divisor, unlike fmod);
// NaN when b is not positive or a is not finite.
double Modulo(double a, double b);

// The scale's base in Hz: the QSO field read as kHz, times 1000; a text that is not a number
// (an empty field included) counts as 0.
double ScaleBaseHz(const QString& qsoFrequency);

// The ticks of a scale whose unit x reads leftHz + x * hzPerUnit, for x = 0..units. Each
// multiple of 100 Hz gets a tick at the column nearest to it; the kind is that of the largest
// step (1000, 500, 100) the multiple belongs to.
std::vector<FrequencyTick> FrequencyTicks(double leftHz, double hzPerUnit, int units);

// A tick in the fore colour from the top edge down, `length` vertical units long.
void DrawFrequencyTick(platform::PictureBox& box, double x, double length);
// A label centred on x with its line box's top at `top`; moved inwards where it would cut
// off at the picture's edges.
void LabelFrequencyTick(platform::PictureBox& box, double x, double top, const QString& label);

// Clears `frequency`, gives it the waterfall's horizontal scale (and pixels down) and draws
// the ticks and labels. Tick lengths follow the picture's height and font: the labels sit at
// the bottom, the long ticks reach down to just above them.
void DrawFrequencyScale(platform::PictureBox& frequency, const QString& qsoFrequency,
                        double waterfallScaleWidth = 1023, double hzPerUnit = 4000.0 / 1023.0);

} // namespace display
