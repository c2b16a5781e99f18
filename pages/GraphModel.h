#pragma once
#include "wcl/Win.h"
#include <memory>

// What the graph shows, apart from its windows: the samples in their ring
// buffer and range, and the arithmetic that places them, the grid lines and
// the labels on the plot.

enum GraphMode
{
    GraphModeCurve = 1,   // a polyline of the newest samples
    GraphModeBars = 2,    // one bar per sample
};

// The samples: a ring buffer of a fixed capacity whose newest sample sits just
// before the write index; every stored sample lies in [minimum, maximum].
class GraphSamples
{
public:
    // A new buffer of capacity zeroed samples and the range; nothing changes
    // when it cannot be allocated (false).
    bool Reset(int capacity, int minimum, int maximum);
    // The first n samples from values (clamped, and written back clamped);
    // the buffer grows to n when it is smaller. False when it cannot grow.
    bool SetAll(int n, int* values);
    // Clamps and appends one sample; false when there is no buffer.
    bool Append(int value);
    void Clear() { m_count = 0; m_writeIndex = 0; }

    int Clamp(int value) const;
    int Capacity() const { return m_capacity; }
    int Count() const { return m_count; }
    int WriteIndex() const { return m_writeIndex; }
    int Minimum() const { return m_minimum; }
    int Maximum() const { return m_maximum; }
    // Of the n newest samples (n <= Count()), the i-th, oldest first.
    int Newest(int n, int i) const;

private:
    std::unique_ptr<int[]> m_values;
    int m_capacity = 0;
    int m_count = 0;
    int m_writeIndex = 0;
    int m_minimum = 0;
    int m_maximum = 100;
};

namespace graph
{
// How many samples fit the plot: the newest at rightOffset from the right
// edge, one every step pixels (its integer part, at least 1), one more for a
// part of a step at the left edge. 0 when the offset leaves no room.
int VisibleSampleCount(int plotWidth, double rightOffset, double step);

// The row a value is drawn at in a plot of top..bottom for the range: the
// minimum one pixel above the bottom edge, the maximum on the top edge. A
// range whose maximum is not above its minimum counts as a span of 1.
int ValueToY(int value, int top, int bottom, int minimum, int maximum);

// The vertical grid's offset after one appended sample: it moves left by the
// step and wraps into (-spacing, 0]; no wrap for a spacing of 0 or less.
double AdvanceGridOffset(double offset, double step, double spacing);

// The first grid line at or before limit of the lines start + k * spacing
// (any integer k), stepping towards smaller values: the drawing loops start
// there so they visit only the lines in the painted rectangle. Grid lines
// closer than a pixel are not drawn at all (see HasGridLines).
double LastGridLineAtOrBefore(double start, double spacing, double limit);
bool HasGridLines(double spacing);

// The grid spacing that gives count lines over length pixels (0: none).
double SpacingForCount(int count, int length);

// Where label i of count sits between first and last (pixels): evenly spread,
// label 0 at first. With fewer than two labels only label 0 is placed, at
// first; false for a label that is not placed.
bool LabelPosition(int count, int i, int first, int last, int* position);
}
