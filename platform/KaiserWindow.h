#pragma once
// The Kaiser window, shared by everything that interpolates between samples
// with a windowed sinc (the virtual card's fractional delay, the search for
// an impulse's peak), so both use the same kernel.

namespace korvanta {

// The modified Bessel function of order 0 by its series, to double
// precision for arguments up to about 20.
double BesselI0(double x);

// The window at r = x / half-width (|r| <= 1; 0 beyond) for shape `beta`.
double KaiserWindow(double r, double beta);

} // namespace korvanta
