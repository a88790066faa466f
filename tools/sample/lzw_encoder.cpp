#include "tools/sample/lzw_encoder.h"

#include <stdexcept>

#include "engine/lzw.h"

namespace {

constexpr int32_t kEndCode = static_cast<int32_t>(LZW_END_CODE);
constexpr int32_t kDictSize = static_cast<int32_t>(LZW_DICT_SIZE);

void Require(bool condition, const char* what) {
    if (!condition)
        throw std::logic_error(what);
}

// The encoder's copy of the dictionary: the decoder's nodes plus a map
// (prefix code, byte) -> code for the longest-match search.
class Dictionary {
public:
    Dictionary() : nodes_(LZW_DICT_SIZE), children_(LZW_DICT_SIZE * 256, 0) {
        for (uint32_t i = 0; i <= LZW_END_CODE; ++i) {
            uint8_t ch = static_cast<uint8_t>(i < LZW_END_CODE ? i : 0);
            nodes_[i] = LzwNode{ch, ch, 1, LZW_END_CODE, LZW_END_CODE, 0};
        }
    }

    int32_t Child(int32_t code, uint8_t byte) const {
        return children_[static_cast<size_t>(code) * 256 + byte];
    }

    void Learn(int32_t code, int32_t prefix, uint8_t byte) {
        LzwSetNode(nodes_.data(), static_cast<uint32_t>(code), static_cast<uint32_t>(prefix), byte);
        children_[static_cast<size_t>(prefix) * 256 + byte] = static_cast<uint16_t>(code);
    }

    // Prunes as the decoder does and rebuilds the map from the kept nodes.
    void Prune(int32_t* nextCode, int32_t* codeWidth) {
        for (int32_t i = kEndCode + 1; i < kDictSize; ++i)
            children_[static_cast<size_t>(nodes_[i].prefix) * 256 + nodes_[i].ch] = 0;
        LzwPrune(nodes_.data(), nextCode, codeWidth);
        for (int32_t i = kEndCode + 1; i <= *nextCode; ++i)
            children_[static_cast<size_t>(nodes_[i].prefix) * 256 + nodes_[i].ch] =
                static_cast<uint16_t>(i);
    }

private:
    std::vector<LzwNode> nodes_;
    std::vector<uint16_t> children_;
};

class BitWriter {
public:
    void Put(uint32_t value, int32_t bits) {
        for (int32_t b = bits - 1; b >= 0; --b) {
            acc_ = static_cast<uint8_t>((acc_ << 1) | ((value >> b) & 1));
            if (++count_ == 8) {
                bytes_.push_back(acc_);
                acc_ = 0;
                count_ = 0;
            }
        }
    }
    std::vector<uint8_t> Finish() {
        if (count_ > 0)
            bytes_.push_back(static_cast<uint8_t>(acc_ << (8 - count_)));
        count_ = 0;
        acc_ = 0;
        return bytes_;
    }

private:
    std::vector<uint8_t> bytes_;
    uint8_t acc_ = 0;
    int32_t count_ = 0;
};

enum class Mode { Low, High, ByteNext, Bytes };

Mode WriteHigh(BitWriter& bits, const LzwChoice& c, bool nextIsByte) {
    const int32_t escapeLimit = (1 << c.codeWidth) - c.nextCode + 254;
    Require(c.value >= kEndCode, "high mode carries a byte");
    if (c.value - 256 <= escapeLimit && nextIsByte) {
        bits.Put(static_cast<uint32_t>(c.value + c.nextCode - 511), c.codeWidth);
        return Mode::ByteNext;
    }
    bits.Put(static_cast<uint32_t>(c.value - 256), c.codeWidth);
    return c.value - 256 <= escapeLimit ? Mode::High : Mode::Low;
}

Mode WriteLow(BitWriter& bits, const LzwChoice& c, bool nextIsByte) {
    const int32_t escapeLimit = (1 << c.codeWidth) - c.nextCode - 2;
    if (c.value <= escapeLimit && nextIsByte) {
        bits.Put(static_cast<uint32_t>(c.value + c.nextCode + 1), c.codeWidth);
        return Mode::ByteNext;
    }
    bits.Put(static_cast<uint32_t>(c.value), c.codeWidth);
    return c.value <= escapeLimit ? Mode::High : Mode::Low;
}

} // namespace

namespace {

// With bytes only, every learnt node is a leaf and each pruning drops them
// all, so N and W run through a fixed cycle of 768 values; no dictionary is
// needed to follow it.
std::vector<LzwChoice> ChooseLiterals(const uint8_t* data, size_t size) {
    std::vector<LzwChoice> values;
    int32_t n = kEndCode;
    for (size_t p = 0; p < size; ++p) {
        values.push_back(LzwChoice{data[p], n, n < 512 ? 9 : 10});
        if (++n == kDictSize)
            n = kEndCode;
    }
    values.push_back(LzwChoice{kEndCode, n, n < 512 ? 9 : 10});
    return values;
}

} // namespace

std::vector<LzwChoice> LzwChooseValues(const uint8_t* data, size_t size, bool literalOnly) {
    if (literalOnly)
        return ChooseLiterals(data, size);
    std::vector<LzwChoice> values;
    Dictionary dict;
    int32_t n = kEndCode;
    int32_t w = 9;
    int32_t prev = -1;
    size_t p = 0;
    while (p < size) {
        if (prev >= 0)
            dict.Learn(n, prev, data[p]);
        int32_t code = data[p];
        size_t length = 1;
        while (p + length < size && dict.Child(code, data[p + length]) != 0)
            code = dict.Child(code, data[p + length++]);
        values.push_back(LzwChoice{code, n, w});
        p += length;
        if (++n == (1 << w))
            ++w;
        prev = code;
        if (n == kDictSize) {
            dict.Prune(&n, &w);
            prev = -1;
        }
    }
    values.push_back(LzwChoice{kEndCode, n, w});
    return values;
}

std::vector<uint8_t> LzwWriteValues(const std::vector<LzwChoice>& values) {
    BitWriter bits;
    Mode mode = Mode::Low;
    for (size_t i = 0; i < values.size(); ++i) {
        const LzwChoice& c = values[i];
        Require(c.value <= c.nextCode, "value above N");
        bool nextIsByte = i + 1 < values.size() && values[i + 1].value < kEndCode;
        switch (mode) {
        case Mode::Low:
            mode = WriteLow(bits, c, nextIsByte);
            break;
        case Mode::High:
            mode = WriteHigh(bits, c, nextIsByte);
            break;
        case Mode::ByteNext:
            Require(c.value < kEndCode, "byte slot carries a code");
            bits.Put(static_cast<uint32_t>(c.value), 8);
            mode = Mode::Bytes;
            break;
        case Mode::Bytes:
            if (c.value < kEndCode) {
                bits.Put(0, 1);
                bits.Put(static_cast<uint32_t>(c.value), 8);
            } else {
                bits.Put(1, 1);
                mode = WriteHigh(bits, c, nextIsByte);
            }
            break;
        }
    }
    return bits.Finish();
}

std::vector<uint8_t> LzwEncode(const std::vector<uint8_t>& data) {
    return LzwWriteValues(LzwChooseValues(data.data(), data.size(), false));
}

std::vector<uint8_t> LzwEncodeLiteral(const std::vector<uint8_t>& data) {
    return LzwWriteValues(LzwChooseValues(data.data(), data.size(), true));
}
