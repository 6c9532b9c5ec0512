// What the test programs without windows include, compiled once for all
// of them (cmake/KorvantaPch.cmake).
#include "cmake/pch/core.h"

#include <gtest/gtest.h>
