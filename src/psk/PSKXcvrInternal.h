#pragma once
// Shared by the .cpp files of PSKXcvr.
#include "PSKXcvr.h"
#include <common/Common.h>
#include <common/Errors.h>
#include <common/Trap.h>
#include <platform/Colors.h>
#include <utility>

namespace psk {

using platform::kBlack;
using platform::kBlue;
using platform::kRed;
using platform::kYellow;

template <class F> void PSKXcvr::trap(const char* where, F&& body) {
    common::guard(common_, where, std::forward<F>(body));
}

} // namespace psk

class QAbstractButton;

namespace psk {

// Selects option index of a group of option buttons; an index outside the group leaves none
// selected.
void checkOption(QAbstractButton* const* buttons, int count, int index);
// The index of the selected option, -1 when none is.
int checkedOption(QAbstractButton* const* buttons, int count);

} // namespace psk
