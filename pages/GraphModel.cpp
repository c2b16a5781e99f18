#include "pages/GraphModel.h"
#include <cmath>
#include <cstring>
#include <new>

bool GraphSamples::Reset(int capacity, int minimum, int maximum)
{
    if (capacity < 0)
        return false;
    std::unique_ptr<int[]> values;
    if (capacity > 0)
    {
        values.reset(new (std::nothrow) int[capacity]);
        if (!values)
            return false;
        memset(values.get(), 0, sizeof(int) * (size_t)capacity);
    }
    m_values = std::move(values);
    m_capacity = capacity;
    m_minimum = minimum;
    m_maximum = maximum;
    Clear();
    return true;
}

int GraphSamples::Clamp(int value) const
{
    if (value > m_maximum)
        value = m_maximum;
    if (value < m_minimum)
        value = m_minimum;
    return value;
}

bool GraphSamples::SetAll(int n, int* values)
{
    if (n < 0 || (n > 0 && !values))
        return false;
    if (m_capacity < n && !Reset(n, m_minimum, m_maximum))
        return false;
    for (int i = 0; i < n; ++i)
    {
        values[i] = Clamp(values[i]);
        m_values[i] = values[i];
    }
    m_count = n;
    // An empty buffer has no place to wrap to.
    m_writeIndex = m_capacity > 0 ? n % m_capacity : 0;
    return true;
}

bool GraphSamples::Append(int value)
{
    if (m_capacity <= 0)
        return false;
    m_values[m_writeIndex] = Clamp(value);
    if (++m_writeIndex >= m_capacity)
        m_writeIndex = 0;
    if (m_count < m_capacity)
        ++m_count;
    return true;
}

int GraphSamples::Newest(int n, int i) const
{
    if (m_capacity <= 0 || n <= 0 || i < 0 || i >= n || n > m_count)
        return m_minimum;
    int index = (m_writeIndex - n + i) % m_capacity;
    if (index < 0)
        index += m_capacity;
    return m_values[index];
}

namespace graph
{
int VisibleSampleCount(int plotWidth, double rightOffset, double step)
{
    int room = plotWidth - (int)rightOffset;
    if (room < 0)
        return 0;
    int divisor = (int)step;
    if (divisor < 1)
        divisor = 1;
    return room / divisor + 1 + (room % divisor ? 1 : 0);
}

int ValueToY(int value, int top, int bottom, int minimum, int maximum)
{
    if (value <= minimum)
        return bottom - 1;
    if (value >= maximum)
        return top;
    double span = maximum > minimum ? (double)maximum - (double)minimum : 1.0;
    double scale = (bottom - top) / span;
    return (int)(bottom - ((double)value - (double)minimum) * scale);
}

double AdvanceGridOffset(double offset, double step, double spacing)
{
    offset -= step;
    if (spacing > 0 && offset + spacing <= 0)
    {
        // fmod is the wrap loop in one step: it ends whatever the ratio.
        offset = std::fmod(offset, spacing);
        if (offset + spacing <= 0)
            offset += spacing;
    }
    return offset;
}

bool HasGridLines(double spacing)
{
    return spacing >= 1.0;
}

double LastGridLineAtOrBefore(double start, double spacing, double limit)
{
    double x = start + std::floor((limit - start) / spacing) * spacing;
    if (x > limit)
        x -= spacing;
    return x;
}

double SpacingForCount(int count, int length)
{
    return count > 1 ? (double)length / (count - 1) : 0.0;
}

bool LabelPosition(int count, int i, int first, int last, int* position)
{
    if (i < 0 || i >= count)
        return false;
    if (count < 2)
    {
        if (i != 0)
            return false;
        *position = first;
        return true;
    }
    *position = first + (int)((double)(last - first) * i / (count - 1));
    return true;
}
}
