#pragma once

#include "list/FieldType.h"
#include "list/Value.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace qm {

/// The rows of a lookup table held for a lookup column: a hash from key to
/// display text, built once while the rows are read, so that finding the
/// display value of a code costs one hash probe however many rows either
/// side has. Keys are matched by value: text byte for byte (case and
/// trailing blanks count), numbers by number (5 finds 5.0), and a code of
/// another kind than the keys is tried in the keys' form (the text "5"
/// finds the number 5). A null key matches nothing; of two rows with one
/// key the first counts.
class LookupSource {
public:
    /// Adds one row of the lookup query: its key and display values with
    /// the types of their columns (a SQLite column can widen while rows are
    /// read, so each row tells its own).
    void add(const Value& key, FieldType keyType, const Value& display, FieldType displayType);
    /// The display text of the row whose key equals the code, a null view
    /// when there is none. `codeType` is the type of the code's column.
    /// Valid while this source lives.
    ValueRef find(const ValueRef& code, FieldType codeType) const;
    std::size_t size() const { return displays_.size(); }
    /// The size the lookup query reports for its display column.
    int displaySize() const { return displaySize_; }
    void setDisplaySize(int size) { displaySize_ = size; }

private:
    /// How a value is keyed: its class tag followed by its canonical bytes;
    /// empty for null.
    static std::string keyOf(const ValueRef& v, FieldType type);
    /// The code in the other family of key forms (text <-> number); empty
    /// when it has none.
    static std::string alternateKeyOf(const ValueRef& v, FieldType type);

    std::unordered_map<std::string, std::uint32_t> index_;
    std::vector<Value> displays_;
    int displaySize_ = 0;
    bool textKeys_ = false;
    bool numberKeys_ = false;
};

}  // namespace qm
