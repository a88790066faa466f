// An encoder for the archive's dictionary coder, for tests and for writing
// archives. It mirrors the decoder's dictionary (greedy longest match over
// the codes the decoder will know), its pruning and its mode machine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One value and the dictionary size (N) and code width (W) it is read with.
struct LzwChoice {
    int32_t value;
    int32_t nextCode;
    int32_t codeWidth;
};

// Pass 1: the values, ending with the end code. `literalOnly` sends every
// byte as itself (no dictionary matches), an independent second path.
std::vector<LzwChoice> LzwChooseValues(const uint8_t* data, size_t size, bool literalOnly);

// Pass 2: the bit stream for the values, each written against the class
// (byte or high) of the value after it.
std::vector<uint8_t> LzwWriteValues(const std::vector<LzwChoice>& values);

std::vector<uint8_t> LzwEncode(const std::vector<uint8_t>& data);
std::vector<uint8_t> LzwEncodeLiteral(const std::vector<uint8_t>& data);
