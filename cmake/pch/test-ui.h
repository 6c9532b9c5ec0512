// What the window tests include, compiled once for all of them
// (cmake/KorvantaPch.cmake). QtTest stays out: it reads macros that differ
// between test programs.
#include "cmake/pch/ui.h"

#include <gtest/gtest.h>
