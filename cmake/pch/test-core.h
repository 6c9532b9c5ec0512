// What the test programs without windows include, compiled once per
// program (cmake/KorvantaPch.cmake).
#include "cmake/pch/core.h"

#include <gtest/gtest.h>
