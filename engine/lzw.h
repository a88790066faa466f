// The archive's dictionary decompressor. A decode stops when its output
// request is full and continues later exactly where it stopped, so a stream
// can read a compressed entry piece by piece.
#pragma once

#include <cstdint>

struct ResourceArchive;

constexpr uint32_t LZW_INPUT_BLOCK = 4096;
constexpr uint32_t LZW_DICT_SIZE = 1024;
constexpr uint32_t LZW_END_CODE = 256; // also "no code"

struct LzwInput {
    uint8_t* buffer;    // LZW_INPUT_BLOCK bytes, owned
    int32_t filled;     // valid bytes in the buffer
    uint32_t bufferPos; // archive offset of buffer[0]
    uint32_t start;     // offset of the entry's stored data
    uint32_t end;       // offset just past it
    const ResourceArchive* archive;
};

struct LzwNode {
    uint8_t ch;      // last byte of the node's string
    uint8_t first;   // first byte of the node's string
    uint16_t length; // bytes in the node's string
    uint32_t link;   // scratch for pruning; LZW_END_CODE when unused
    uint32_t prefix; // the string without its last byte; LZW_END_CODE for roots
    uint32_t seenAt; // where the string was last written, counted from the decode's start
};

struct LzwState {
    uint8_t* outBase;      // start of the request; null when skipping
    uint32_t outCount;     // bytes produced for this request
    uint32_t produced;     // bytes produced since the decode's start
    uint32_t requestStart; // `produced` when this request began
    uint32_t prevStart;    // where the previous value's string began
    int32_t highCodes;
    int32_t byteNext;
    int32_t bitCount;
    uint64_t bitBuffer;
    int32_t nextCode; // N: the code learnt next
    LzwNode* dict;    // LZW_DICT_SIZE nodes, owned, and the decoder's bookkeeping after them
    int32_t byteMode;
    int32_t lastCode;
    int32_t codeWidth;   // W
    uint8_t resume;      // 0: fresh; 1: a string is half written; 3: waiting for room
    uint32_t resumeNode; // the half-written string's code
    uint32_t resumeDone; // its bytes already written
    uint32_t savedPrev;
    int32_t ended; // the end code (or the end of the input) was reached
};

void LzwInputInit(LzwInput* input, const ResourceArchive* archive, uint32_t entry);
void LzwInputRefill(LzwInput* input);
void LzwInputFree(LzwInput* input);

void LzwDictInit(LzwState* state, uint8_t* output);
// Back to the state of a fresh decode, keeping the node block.
void LzwDictReset(LzwState* state);
void LzwDictFree(LzwState* state);

// Points the next request at `output` (null: skip the bytes).
void LzwSetOutput(LzwState* state, uint8_t* output);

// Decodes until the request holds `limit` bytes or the data ends; returns
// the bytes the request holds.
uint32_t LzwDecode(LzwState* state, LzwInput* input, uint8_t** cursor, int32_t limit);

// Sets node `code` to prefix + ch (length and first byte follow the prefix).
void LzwSetNode(LzwNode* nodes, uint32_t code, uint32_t prefix, uint8_t ch);
// Drops every node that is no other node's prefix and renumbers the rest
// compactly. `nextCode` and `codeWidth` come in as 1024 and 11 and leave
// ready for the next value, read without a previous one.
void LzwPrune(LzwNode* nodes, int32_t* nextCode, int32_t* codeWidth);
