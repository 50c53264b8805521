#pragma once

// Wheel clicks for a scroll of `rows` pixel rows when one click scrolls `rowsPerClick`:
// as many as fit without scrolling further, at least one. X11 programs scroll a fixed
// distance per click, but each its own (measured: a Qt scroll area 60 px, a GTK 3 text
// view the view's height to the power 2/3, e.g. 71 px at 600, Firefox 114 px), and a step
// that overshoots the frames' overlap cannot be joined, so the capture measures the
// distance with a first click of one and converts with that.
int wheelClicksFor(double rows, double rowsPerClick);
