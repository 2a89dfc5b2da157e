// Fuzzes the bits codec and the bits edit rule: any bytes, as a text and as a run of
// edits on a field, must neither crash nor read out of bounds, and the rule must keep a
// field at 24 or 25 characters once its last accepted text is a full bits text.
#include "BitsCodec.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckText(const QByteArray& text)
{
    const int value = codec::BitsToValue(text);
    const QByteArray repaired = codec::NormaliseBits(text);
    Require(repaired.size() == text.size());
    if (codec::IsWellFormedBits(text)) {
        Require(value >= 0 && value <= 63);
        Require(codec::ValueToBits(value) == text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<int>(size));
    CheckText(input);
    if (size >= 4) {
        int code = 0;
        std::memcpy(&code, data, sizeof code);
        const QByteArray text = codec::ValueToBits(code);
        Require(codec::IsWellFormedBits(text));
        Require(codec::BitsToValue(text) == ((code >= 0 && code <= 63) ? code : 0));
    }

    // The input as edits on a field: each pair of bytes is an operation and a position.
    QByteArray field = codec::ValueToBits(size > 0 ? data[0] & 63 : 0);
    QByteArray accepted = field;
    for (size_t i = 1; i + 2 < size; i += 3) {
        const int position = data[i + 1] % (field.size() + 1);
        const char character = static_cast<char>(data[i + 2]);
        switch (data[i] % 4) {
        case 0: field.insert(position, character); break;
        case 1: field.remove(position, 1); break;
        case 2: if (position < field.size()) field[position] = character; break;
        case 3: field = input.mid(int(i), data[i + 1] % 40); break;  // a paste
        }
        const codec::BitsEdit edit = codec::ApplyBitsEditRule(field, accepted);
        field = edit.text;
        accepted = edit.lastAccepted;
        Require(field.size() == 24 || field.size() == 25);
        Require(accepted.size() == 25);
        CheckText(field);
    }
    return 0;
}
