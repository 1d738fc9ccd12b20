// Private to the engine: ADO's criteria texts for Recordset.Find (one
// comparison) and Recordset.Filter (comparisons joined with AND and OR,
// with parentheses). Comparisons: =, <>, <, >, <=, >=, LIKE (with * or %
// as wildcard, anywhere in the pattern); text in single quotes, dates in
// #...#, numbers bare, Null with = and <>. Field names bare or [bracketed],
// case-insensitive. Text compares case-insensitively, as Jet does.
#pragma once

#include "platform/Variant.h"

#include <QString>
#include <functional>
#include <memory>

namespace engine::criteria {

class Predicate {
public:
    virtual ~Predicate() = default;
    // valueOf returns the named field's value on the row being tested; it
    // throws platform::ComError for a name the rowset lacks.
    virtual bool Matches(const std::function<platform::Variant(const QString& field)>& valueOf) const = 0;
};

// Throw platform::ComError(adErrInvalidArgument 0x800A0BB9, "Arguments are
// of the wrong type, are out of acceptable range, or are in conflict with
// one another.") for a text that is no criteria of that kind.
std::unique_ptr<Predicate> ParseFind(const QString& criteria);
std::unique_ptr<Predicate> ParseFilter(const QString& criteria);

}  // namespace engine::criteria
