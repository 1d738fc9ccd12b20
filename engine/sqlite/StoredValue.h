// Private to the engine: a value as SQLite stores it (NULL, 64-bit integer,
// real, UTF-8 text or blob). Field values are converted to this form when
// they are written, and edit buffers hold it, so that what is compared and
// bound is exactly what the data file holds.
#pragma once

#include <QByteArray>
#include <cstdint>

namespace engine {

struct StoredValue {
    enum Kind : std::uint8_t { Null = 0, Integer = 1, Real = 2, Text = 3, Blob = 4 };
    Kind kind = Null;
    std::int64_t integer = 0;
    double real = 0.0;
    QByteArray bytes; // UTF-8 for Text, raw for Blob

    static StoredValue MakeInteger(std::int64_t v)
    {
        StoredValue s;
        s.kind = Integer;
        s.integer = v;
        return s;
    }
    static StoredValue MakeReal(double v)
    {
        StoredValue s;
        s.kind = Real;
        s.real = v;
        return s;
    }
    static StoredValue MakeText(QByteArray utf8)
    {
        StoredValue s;
        s.kind = Text;
        s.bytes = std::move(utf8);
        return s;
    }
    static StoredValue MakeBlob(QByteArray data)
    {
        StoredValue s;
        s.kind = Blob;
        s.bytes = std::move(data);
        return s;
    }
    bool operator==(const StoredValue& o) const
    {
        if (kind != o.kind)
            return false;
        switch (kind) {
        case Null:
            return true;
        case Integer:
            return integer == o.integer;
        case Real:
            return real == o.real;
        default:
            return bytes == o.bytes;
        }
    }
};

// A value read in place from a snapshot row: data points into the row's
// bytes and is valid until the row is rewritten.
struct StoredRef {
    StoredValue::Kind kind = StoredValue::Null;
    std::int64_t integer = 0;
    double real = 0.0;
    const char* data = nullptr;
    std::size_t size = 0;

    StoredValue ToValue() const
    {
        StoredValue v;
        v.kind = kind;
        v.integer = integer;
        v.real = real;
        if (kind == StoredValue::Text || kind == StoredValue::Blob)
            v.bytes = QByteArray(data, qsizetype(size));
        return v;
    }
    static StoredRef Of(const StoredValue& v)
    {
        StoredRef r;
        r.kind = v.kind;
        r.integer = v.integer;
        r.real = v.real;
        r.data = v.bytes.constData();
        r.size = std::size_t(v.bytes.size());
        return r;
    }
};

} // namespace engine
