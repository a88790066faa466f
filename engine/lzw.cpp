// The dictionary decompressor. Codes 0-255 are bytes, 256 ends the data,
// 257 and up are learnt strings; the dictionary holds 1024 codes and is
// pruned, not reset, when it fills. Three modes (plain codes, "high" codes
// counted from 256, and runs of raw bytes) let the coder spend fewer bits
// on the class of value that comes next.
#include "engine/lzw.h"

#include <cstdlib>
#include <cstring>

#include "engine/archive.h"
#include "engine/helpers.h"

namespace {

constexpr uint32_t kNeverSeen = 0xFFFFFFFFu;

// The bit reader's registers, kept in locals for the length of a call.
struct BitReader {
    uint64_t bits;
    int32_t count;
    uint8_t* cursor;
    uint8_t* limit;
    LzwInput* input;
};

struct Modes {
    int32_t byteMode;
    int32_t byteNext;
    int32_t highCodes;
};

// Loads whole bytes until at least `n` bits are held; false when the input
// ends first.
bool FillBits(BitReader& reader, int32_t n) {
    while (reader.count <= 56) {
        if (reader.cursor == reader.limit) {
            LzwInput* input = reader.input;
            LzwInputRefill(input);
            reader.cursor = input->buffer;
            reader.limit = input->buffer + input->filled;
            if (input->filled <= 0)
                break;
        }
        reader.bits = (reader.bits << 8) | *reader.cursor++;
        reader.count += 8;
    }
    return reader.count >= n;
}

inline bool NeedBits(BitReader& reader, int32_t n) {
    return reader.count >= n || FillBits(reader, n);
}

inline int32_t TakeBits(BitReader& reader, int32_t n) {
    reader.count -= n;
    return static_cast<int32_t>((reader.bits >> reader.count) & ((1u << n) - 1));
}

// A code counted from 256, or (above N - 256) an escape: a high value whose
// successor is a raw byte.
inline int32_t HighValue(Modes& modes, int32_t c, int32_t n, int32_t top) {
    if (c > n - 256) {
        modes.highCodes = 0;
        modes.byteMode = 1;
        modes.byteNext = 1;
        return c - n + 511;
    }
    modes.highCodes = n + c - 255 < top;
    return c + 256;
}

// The next value, or -1 when the input ends inside it.
inline int32_t ReadValue(BitReader& reader, Modes& modes, int32_t n, int32_t w) {
    const int32_t top = 1 << w;
    if (!modes.byteMode) {
        if (!NeedBits(reader, w))
            return -1;
        int32_t c = TakeBits(reader, w);
        if (modes.highCodes)
            return HighValue(modes, c, n, top);
        if (c > n) {
            modes.byteMode = 1;
            modes.byteNext = 1;
            return c - n - 1;
        }
        modes.highCodes = n + c + 1 < top;
        return c;
    }
    if (modes.byteNext) {
        if (!NeedBits(reader, 8))
            return -1;
        modes.byteNext = 0;
        return TakeBits(reader, 8);
    }
    if (!NeedBits(reader, 1))
        return -1;
    if (TakeBits(reader, 1) == 0)
        return NeedBits(reader, 8) ? TakeBits(reader, 8) : -1;
    modes.byteMode = 0;
    if (!NeedBits(reader, w))
        return -1;
    return HighValue(modes, TakeBits(reader, w), n, top);
}

// Writes bytes [done, done + room) of the string of `code` (fewer at its
// end) at `out`, or only counts them when `out` is null. The string is
// walked from its last byte, so the bytes past the request are skipped.
uint32_t EmitPart(const LzwNode* dict, uint32_t code, uint32_t done, uint32_t room, uint8_t* out) {
    uint32_t length = dict[code].length;
    if (done >= length)
        return 0;
    uint32_t stop = length - done > room ? done + room : length;
    if (out != nullptr) {
        uint32_t c = code;
        for (uint32_t k = length; k > stop; --k)
            c = dict[c].prefix;
        uint8_t* p = out + (stop - done);
        for (uint32_t k = stop; k > done; --k) {
            *--p = dict[c].ch;
            c = dict[c].prefix;
        }
    }
    return stop - done;
}

// Writes the whole string of `code` at out + count. A string written earlier
// in this request is copied from there (front to back: the string learnt
// last may overlap its own copy by one byte); otherwise the prefix chain is
// walked from the last byte.
inline void EmitWhole(LzwNode* dict, uint32_t code, uint8_t* out, uint32_t requestStart,
                      uint32_t count) {
    uint8_t* dst = out + count;
    LzwNode& node = dict[code];
    const uint32_t length = node.length;
    const uint32_t seen = node.seenAt;
    node.seenAt = requestStart + count;
    if (length == 1) {
        *dst = node.ch;
    } else if (seen >= requestStart && seen < requestStart + count) {
        const uint8_t* src = out + (seen - requestStart);
        if (src + length <= dst) {
            std::memcpy(dst, src, length);
        } else {
            for (uint32_t i = 0; i < length; ++i)
                dst[i] = src[i];
        }
    } else {
        uint8_t* p = dst + length;
        uint32_t c = code;
        do {
            *--p = dict[c].ch;
            c = dict[c].prefix;
        } while (p > dst);
    }
}

void InitRoots(LzwNode* dict) {
    for (uint32_t i = 0; i <= LZW_END_CODE; ++i) {
        uint8_t ch = static_cast<uint8_t>(i < LZW_END_CODE ? i : 0);
        dict[i] = LzwNode{ch, ch, 1, LZW_END_CODE, LZW_END_CODE, kNeverSeen};
    }
}

// ---- pruning -------------------------------------------------------------
// A node is kept when it is another node's prefix. Kept nodes are renumbered
// into the lowest slots by walking, from node 0 up, each node's first child
// and next sibling (children in ascending order) and moving the ones above
// the lowest free slot into it. The child lists and the renumbering live in
// small scratch arrays, and the steps are written to branch as little as
// possible: pruning runs every few hundred codes on typical data.

constexpr uint16_t kNoNode = 0xFFFF;

struct Pruning {
    uint16_t head[LZW_DICT_SIZE];     // first (smallest) kept child
    uint16_t next[LZW_DICT_SIZE];     // next kept sibling
    uint16_t newIndex[LZW_DICT_SIZE]; // where each node ends up
    uint8_t hasChild[LZW_DICT_SIZE];
    uint8_t used[LZW_DICT_SIZE + 1]; // the last entry stops free-slot searches
    uint32_t freeSlot;               // the lowest free slot
};

// Frees the leaves and threads the kept nodes into child lists, from the
// top so that each list comes out in ascending order.
void DropLeaves(const LzwNode* nodes, Pruning& p) {
    std::memset(p.head, 0xFF, sizeof(p.head));
    std::memset(p.next, 0xFF, sizeof(p.next));
    std::memset(p.hasChild, 0, sizeof(p.hasChild));
    std::memset(p.used, 1, LZW_END_CODE + 1);
    p.used[LZW_DICT_SIZE] = 0;
    for (uint32_t i = LZW_END_CODE + 1; i < LZW_DICT_SIZE; ++i)
        p.hasChild[nodes[i].prefix & (LZW_DICT_SIZE - 1)] = 1;
    uint32_t lowestFree = LZW_DICT_SIZE;
    for (uint32_t i = LZW_DICT_SIZE - 1; i > LZW_END_CODE; --i) {
        const uint8_t kept = p.hasChild[i];
        const uint32_t parent = nodes[i].prefix & (LZW_DICT_SIZE - 1);
        p.used[i] = kept;
        lowestFree = kept ? lowestFree : i;
        p.next[i] = p.head[parent];
        p.head[parent] = kept ? static_cast<uint16_t>(i) : p.head[parent];
    }
    for (uint32_t i = 0; i < LZW_DICT_SIZE; ++i)
        p.newIndex[i] = static_cast<uint16_t>(i);
    p.freeSlot = lowestFree;
}

// Moves node `from` into the lowest free slot when `move` is set, and gives
// the number the reference should hold. Written without branches: when
// nothing moves, the copy lands in a free slot that stays free.
inline uint16_t MaybeMoveNode(LzwNode* nodes, Pruning& p, uint32_t from, bool move) {
    const uint32_t to = p.freeSlot;
    from &= LZW_DICT_SIZE - 1;
    nodes[to] = nodes[from];
    p.head[to] = p.head[from];
    p.next[to] = p.next[from];
    p.newIndex[from] = move ? static_cast<uint16_t>(to) : p.newIndex[from];
    p.used[from] = move ? 0 : p.used[from];
    p.used[to] = move;
    uint32_t slot = to + move;
    while (p.used[slot])
        ++slot;
    p.freeSlot = slot;
    return move ? static_cast<uint16_t>(to) : static_cast<uint16_t>(from);
}

void Compact(LzwNode* nodes, Pruning& p) {
    for (uint32_t i = 0; i < p.freeSlot; ++i) {
        const uint32_t child = p.head[i];
        if (child != kNoNode)
            p.head[i] = MaybeMoveNode(nodes, p, child, child > p.freeSlot);
        const uint32_t sibling = p.next[i];
        if (sibling != kNoNode)
            p.next[i] = MaybeMoveNode(nodes, p, sibling, sibling > p.freeSlot);
    }
}

// Every kept node still holds its parent's old number; give it the new one.
void RenumberPrefixes(LzwNode* nodes, const Pruning& p) {
    for (uint32_t i = LZW_END_CODE + 1; i < p.freeSlot; ++i) {
        nodes[i].prefix = p.newIndex[nodes[i].prefix & (LZW_DICT_SIZE - 1)];
        nodes[i].link = LZW_END_CODE;
    }
}

} // namespace

// ---- input -----------------------------------------------------------------

void LzwInputInit(LzwInput* input, const ResourceArchive* archive, uint32_t entry) {
    input->buffer = static_cast<uint8_t*>(ZAlloc(LZW_INPUT_BLOCK));
    input->filled = 0;
    input->start = GetEntryOffset(archive, entry);
    input->bufferPos = input->start;
    input->end = input->start + GetEntryStoredSize(archive, entry);
    input->archive = archive;
}

void LzwInputRefill(LzwInput* input) {
    input->bufferPos += static_cast<uint32_t>(input->filled);
    input->filled = 0;
    if (input->bufferPos >= input->end || input->buffer == nullptr)
        return;
    uint32_t want = input->end - input->bufferPos;
    if (want > LZW_INPUT_BLOCK)
        want = LZW_INPUT_BLOCK;
    input->filled = static_cast<int32_t>(
        ReadArchiveBytes(input->archive, input->buffer, input->bufferPos, want));
}

void LzwInputFree(LzwInput* input) {
    FreeAndNull(&input->buffer);
}

// ---- dictionary --------------------------------------------------------------

void LzwDictInit(LzwState* state, uint8_t* output) {
    state->dict = static_cast<LzwNode*>(ZAlloc(LZW_DICT_SIZE * sizeof(LzwNode)));
    LzwDictReset(state);
    LzwSetOutput(state, output);
}

void LzwDictReset(LzwState* state) {
    state->highCodes = 0;
    state->byteNext = 0;
    state->bitCount = 0;
    state->bitBuffer = 0;
    state->nextCode = LZW_END_CODE;
    state->byteMode = 0;
    state->lastCode = LZW_END_CODE;
    state->codeWidth = 9;
    state->resume = 0;
    state->resumeNode = 0;
    state->resumeDone = 0;
    state->savedPrev = LZW_END_CODE;
    state->ended = 0;
    state->outCount = 0;
    state->produced = 0;
    state->requestStart = 0;
    state->prevStart = 0;
    if (state->dict != nullptr)
        InitRoots(state->dict);
}

void LzwDictFree(LzwState* state) {
    FreeAndNull(&state->dict);
}

void LzwSetOutput(LzwState* state, uint8_t* output) {
    state->outBase = output;
    state->outCount = 0;
    state->requestStart = state->produced;
}

void LzwSetNode(LzwNode* nodes, uint32_t code, uint32_t prefix, uint8_t ch) {
    const LzwNode& parent = nodes[prefix];
    nodes[code] = LzwNode{ch,           parent.first, static_cast<uint16_t>(parent.length + 1),
                          LZW_END_CODE, prefix,       kNeverSeen};
}

void LzwPrune(LzwNode* nodes, int32_t* nextCode, int32_t* codeWidth) {
    Pruning pruning;
    DropLeaves(nodes, pruning);
    Compact(nodes, pruning);
    RenumberPrefixes(nodes, pruning);
    const uint32_t freeSlot = pruning.freeSlot;
    int32_t w = *codeWidth;
    while (freeSlot <= (1u << (w - 1)))
        --w;
    *codeWidth = w;
    // The next value comes without a previous one; the step after it brings
    // N back to the first free slot.
    *nextCode = static_cast<int32_t>(freeSlot) - 1;
}

// ---- decoding ------------------------------------------------------------------

uint32_t LzwDecode(LzwState* state, LzwInput* input, uint8_t** cursor, int32_t limit) {
    uint32_t count = state->outCount;
    if (state->dict == nullptr || limit <= 0 || count >= static_cast<uint32_t>(limit))
        return count;
    const uint32_t want = static_cast<uint32_t>(limit);
    LzwNode* dict = state->dict;
    uint8_t* out = state->outBase;
    int32_t n = state->nextCode;
    int32_t w = state->codeWidth;
    uint32_t prev = state->savedPrev;
    uint32_t prevStart = state->prevStart;
    const uint32_t requestStart = state->requestStart;
    BitReader reader{state->bitBuffer, state->bitCount, *cursor,
                     input->buffer + (input->filled > 0 ? input->filled : 0), input};
    Modes modes{state->byteMode, state->byteNext, state->highCodes};
    bool advance = false;

    if (state->ended) {
        // Nothing more to give.
    } else if (state->resume == 1) {
        uint32_t code = state->resumeNode;
        uint32_t got = EmitPart(dict, code, state->resumeDone, want - count,
                                out != nullptr ? out + count : nullptr);
        count += got;
        state->resumeDone += got;
        if (state->resumeDone >= dict[code].length) {
            state->resume = 0;
            prev = code;
            advance = true;
        }
    }

    while (!state->ended && state->resume != 1) {
        if (advance) {
            ++n;
            if (n == (1 << w))
                ++w;
            if (n == static_cast<int32_t>(LZW_DICT_SIZE)) {
                LzwPrune(dict, &n, &w);
                prev = LZW_END_CODE;
            }
        }
        advance = true;
        if (count >= want) {
            state->resume = 3;
            break;
        }
        int32_t value = ReadValue(reader, modes, n, w);
        if (value < 0 || value == static_cast<int32_t>(LZW_END_CODE) || value > n) {
            state->ended = 1;
            break;
        }
        state->lastCode = value;
        const uint32_t start = requestStart + count;
        if (prev != LZW_END_CODE) {
            uint8_t k = dict[value == n ? prev : static_cast<uint32_t>(value)].first;
            LzwSetNode(dict, static_cast<uint32_t>(n), prev, k);
            dict[n].seenAt = prevStart;
        }
        prevStart = start;
        uint32_t length = dict[value].length;
        if (length <= want - count) {
            if (out != nullptr)
                EmitWhole(dict, static_cast<uint32_t>(value), out, requestStart, count);
            count += length;
        } else {
            uint32_t got =
                EmitPart(dict, value, 0, want - count, out != nullptr ? out + count : nullptr);
            count += got;
            state->resume = 1;
            state->resumeNode = static_cast<uint32_t>(value);
            state->resumeDone = got;
        }
        prev = static_cast<uint32_t>(value);
    }

    state->outCount = count;
    state->produced = requestStart + count;
    state->prevStart = prevStart;
    state->nextCode = n;
    state->codeWidth = w;
    state->savedPrev = prev;
    state->bitBuffer = reader.bits;
    state->bitCount = reader.count;
    state->byteMode = modes.byteMode;
    state->byteNext = modes.byteNext;
    state->highCodes = modes.highCodes;
    *cursor = reader.cursor;
    return count;
}
