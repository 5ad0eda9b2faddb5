#pragma once
// The error trap. Every procedure that traps run-time errors wraps its body in guard(): an
// exception thrown inside is reported through Common::ReportError under the procedure's
// qualified name, and the procedure returns (with the fallback value, if it has a result).
// No exception ever leaves a guarded procedure.
//
//   void PSKXcvr::SaveNewChar(int character, int channel) {
//       common::guard(common_, "PSKXcvr.SaveNewChar", [&] {
//           ...   // common::checkIndex(channel, -1, 2) throws 9 for a bad channel
//       });
//   }
//   int PSKXcvr::GetNewChar(int channel) {
//       return common::guard(common_, "PSKXcvr.GetNewChar", [&] { ...; return c; }, 0);
//   }
//
// The name may also be a callable returning a QString, evaluated only when an error is caught
// (for names that carry a detail: [&] { return "Macros.Expand: " + rest; }).
#include "Common.h"
#include "Errors.h"

#include <type_traits>
#include <utility>

namespace common {

namespace detail {

template <class Where> void reportCurrent(Common& common, const Where& where) noexcept {
    const int number = currentErrorNumber();
    try {
        if constexpr (std::is_invocable_v<const Where&>)
            common.ReportError(number, QString(where()));
        else
            common.ReportError(number, QString(where));
    } catch (...) {
        // Reporting itself failed (out of memory building the name): nothing more to do.
    }
}

} // namespace detail

template <class Where, class Body>
void guard(Common& common, const Where& where, Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
    } catch (...) {
        detail::reportCurrent(common, where);
    }
}

template <class Where, class Body, class Result>
Result guard(Common& common, const Where& where, Body&& body, Result fallback) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        detail::reportCurrent(common, where);
        return fallback;
    }
}

} // namespace common
