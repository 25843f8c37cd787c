// Number and cell texts shared by the grid, its exports and the fields.
#pragma once

#include <QString>
#include <QVariant>

#include <optional>

namespace kit {

// The shortest decimal text of a value, without floating-point noise and
// without thousands separators: 100, 12.5, 0.3 (for 0.1 + 0.2), -30.
QString numberText(double value);

// The text a grid cell shows for a value: numbers as numberText, date-times
// as "yyyy-MM-dd HH:mm:ss", dates as "yyyy-MM-dd", null as empty text.
QString cellText(const QVariant& value);

// The value of a cell as a number, or nothing when it is not one. Numbers
// stored as text ("12.5", " 3 ") count; empty text and null do not.
std::optional<double> cellNumber(const QVariant& value);

// Adds numbers without letting rounding noise show: the total is rounded to
// the largest number of decimals among the values added (at most 6), so
// money with two decimals sums to money with two decimals.
class Sum {
public:
    void add(double value);
    double total() const;

private:
    double sum_ = 0.0;
    double compensation_ = 0.0;
    int decimals_ = 0;
};

}  // namespace kit
