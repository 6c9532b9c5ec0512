// What the window tests include, compiled once per program
// (cmake/KorvantaPch.cmake).
#include "cmake/pch/ui.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
