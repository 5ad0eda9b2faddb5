#pragma once
// Symbols of the shared platform library. The program and the engine library link the same copy,
// so that both see one window registry.
#include <QtCore/qglobal.h>

#if defined(TONEDECK_PLATFORM_LIBRARY)
#define TD_PLATFORM_EXPORT Q_DECL_EXPORT
#else
#define TD_PLATFORM_EXPORT Q_DECL_IMPORT
#endif
