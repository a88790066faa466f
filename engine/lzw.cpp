// The archive's dictionary decompressor. Codes 0-255 are bytes, 256 ends the
// data, 257 and up are learnt strings; the dictionary holds 1024 codes and is
// pruned, not reset, when it fills. Three modes (plain codes, "high" codes
// counted from 256, and runs of raw bytes) let the coder spend fewer bits on
// the class of value that comes next.
#include "engine/lzw.h"

#include <cstdlib>
#include <cstring>

#include "engine/archive.h"
#include "engine/bytes.h"
#include "engine/helpers.h"

namespace {

constexpr uint32_t kNeverSeen = 0xFFFFFFFFu;

// The most bits one value takes: a flag and a code (at most 11 bits).
constexpr int32_t kMaxValueBits = 12;

// Strings are copied in blocks of this many bytes; a block may run past the
// string's end into output that a later string overwrites.
constexpr uint32_t kCopyBlock = 16;

// ---- bits ------------------------------------------------------------------

// The bit reader's registers, kept in locals for the length of a call. The
// low `count` bits of `bits` are unread, the oldest first.
struct BitReader {
    uint64_t bits;
    int32_t count;
    uint8_t* cursor;
    uint8_t* limit;
    LzwInput* input;
};

// The coder's modes: LOW (byteMode 0, highCodes 0), HIGH (highCodes 1),
// BYTE_NEXT (byteMode 1, byteNext 1) and BYTES (byteMode 1, byteNext 0). One
// number instead of three flags leaves the decoding loop a register more.
enum Mode : int32_t { kLow, kHigh, kByteNext, kBytes };

inline uint64_t LoadBigEndian64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, sizeof(v));
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    v = __builtin_bswap64(v);
#endif
    return v;
}

// Loads whole bytes one at a time, refilling the input block as needed, until
// the register is nearly full or the input ends. Takes and returns the
// registers by value so that the decoding loop's copy never has its address
// taken and can stay in machine registers.
BitReader FillBitsSlowly(BitReader reader) {
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
    return reader;
}

// Tops the register up to 56 bits or more; one load while the block holds
// eight more bytes.
inline void FillBits(BitReader& reader) {
    if (reader.limit - reader.cursor >= 8) {
        const int32_t bytes = (63 - reader.count) >> 3;
        const int32_t shift = bytes * 8;
        reader.bits = (reader.bits << shift) | (LoadBigEndian64(reader.cursor) >> (64 - shift));
        reader.cursor += bytes;
        reader.count += shift;
    } else {
        reader = FillBitsSlowly(reader);
    }
}

// With kChecked false the caller has made sure of kMaxValueBits bits.
template <bool kChecked> inline bool NeedBits(BitReader& reader, int32_t n) {
    if (!kChecked || reader.count >= n)
        return true;
    reader = FillBitsSlowly(reader);
    return reader.count >= n;
}

inline int32_t TakeBits(BitReader& reader, int32_t n) {
    reader.count -= n;
    return static_cast<int32_t>((reader.bits >> reader.count) & ((1u << n) - 1));
}

// The next value, or -1 when the input ends inside it.
template <bool kChecked>
inline int32_t ReadValue(BitReader& reader, int32_t& mode, int32_t n, int32_t w) {
    const int32_t top = 1 << w;
    int32_t c;
    switch (mode) {
    case kLow:
        if (!NeedBits<kChecked>(reader, w))
            return -1;
        c = TakeBits(reader, w);
        if (c > n) {
            mode = kByteNext;
            return c - n - 1;
        }
        mode = n + c + 1 < top ? kHigh : kLow;
        return c;
    case kByteNext:
        if (!NeedBits<kChecked>(reader, 8))
            return -1;
        mode = kBytes;
        return TakeBits(reader, 8);
    case kBytes:
        if (!NeedBits<kChecked>(reader, 1))
            return -1;
        if (TakeBits(reader, 1) == 0)
            return NeedBits<kChecked>(reader, 8) ? TakeBits(reader, 8) : -1;
        break; // a high value follows
    default:
        break;
    }
    // A code counted from 256, or (above N - 256) an escape: a high value
    // whose successor is a raw byte.
    if (!NeedBits<kChecked>(reader, w))
        return -1;
    c = TakeBits(reader, w);
    if (c > n - 256) {
        mode = kByteNext;
        return c - n + 511;
    }
    mode = n + c - 255 < top ? kHigh : kLow;
    return c + 256;
}

// ---- strings ---------------------------------------------------------------

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

// Copies `length` bytes from `src`, an earlier part of the output, to `dst`
// in whole blocks, writing up to a block past the end. Only the string learnt
// last overlaps its copy, by its final byte, which the caller rewrites.
inline void CopyBlocks(uint8_t* dst, const uint8_t* src, uint32_t length) {
    uint32_t done = 0;
    do {
        uint8_t block[kCopyBlock];
        std::memcpy(block, src + done, kCopyBlock);
        std::memcpy(dst + done, block, kCopyBlock);
        done += kCopyBlock;
    } while (done < length);
}

// Writes the string of `code`, `length` bytes, at `dst` by walking its
// prefix chain from the last byte.
void WalkString(const LzwNode* dict, uint32_t code, uint32_t length, uint8_t* dst) {
    uint8_t* p = dst + length;
    do {
        *--p = dict[code].ch;
        code = dict[code].prefix;
    } while (p > dst);
}

// Writes the whole string of `code` at out + count, with `room` bytes of the
// request free there. A string already written in this request (at out +
// seen) is copied from there; otherwise the prefix chain is walked.
inline void EmitWhole(const LzwNode* dict, uint32_t code, uint32_t length, uint32_t seen,
                      uint32_t count, uint32_t room, uint8_t* out) {
    uint8_t* dst = out + count;
    if (seen >= count) {
        WalkString(dict, code, length, dst);
        return;
    }
    const uint8_t* src = out + seen;
    if ((length + kCopyBlock - 1) / kCopyBlock * kCopyBlock <= room) {
        CopyBlocks(dst, src, length);
    } else {
        for (uint32_t i = 0; i < length; ++i)
            dst[i] = src[i];
    }
    dst[length - 1] = dict[code].ch;
}

void InitRoots(LzwNode* dict) {
    for (uint32_t i = 0; i <= LZW_END_CODE; ++i) {
        uint8_t ch = static_cast<uint8_t>(i < LZW_END_CODE ? i : 0);
        dict[i] = LzwNode{ch, ch, 1, LZW_END_CODE, LZW_END_CODE, kNeverSeen};
    }
}

// ---- pruning -----------------------------------------------------------------
// A node is kept when it is another node's prefix. Kept nodes are renumbered
// into the lowest slots by walking, from slot 0 up, each node's first kept
// child and next kept sibling (children in ascending order) and moving the
// ones above the lowest free slot into it. Pruning runs every few hundred
// codes on typical data, so it is kept lean: the decoder records prefixes as
// it learns nodes, free slots are a bit set searched a word at a time, and
// each node gets its new prefix as the walk reaches it, so no pass renumbers
// afterwards.

constexpr uint32_t kMaskWords = LZW_DICT_SIZE / 64;
constexpr uint32_t kFirstLearnt = LZW_END_CODE + 1;

// Scratch kept between prunings so that it needs no clearing: every entry a
// pruning reads is written earlier in the same pruning, except the roots'
// entries, which each pruning puts back as it reads them.
struct Pruning {
    // links[i] is node i's next kept sibling, links[LZW_DICT_SIZE + i] its
    // first kept child; 0 is "none" (node 0 is a root, never anyone's child,
    // and 0 is below every slot a link is compared with).
    uint16_t links[2 * LZW_DICT_SIZE];
    // Where the next kept child of each node is to be linked.
    uint16_t tail[LZW_DICT_SIZE];
    // 1 for each root with a kept child; the entries of other nodes are set
    // too (a store costs less than a test) and never read.
    uint8_t isParent[LZW_DICT_SIZE];
};

// Every entry, not only the roots', so that a tree whose prefixes do not all
// come before their nodes (which decoding never builds) still links only
// within the arrays.
void InitPruning(Pruning& p) {
    std::memset(p.links, 0, sizeof(p.links));
    for (uint32_t i = 0; i < LZW_DICT_SIZE; ++i)
        p.tail[i] = static_cast<uint16_t>(LZW_DICT_SIZE + i);
    std::memset(p.isParent, 0, sizeof(p.isParent));
}

inline uint32_t LowestBit(uint64_t bits) {
    return static_cast<uint32_t>(__builtin_ctzll(bits));
}

// Bit i of the result is flags[i], for 64 flags of 0 or 1.
inline uint64_t GatherFlags(const uint8_t* flags) {
    uint64_t bits = 0;
#pragma GCC unroll 8
    for (uint32_t byte = 0; byte < 64; byte += 8) {
        // The multiply gathers eight flags into the top byte, the first
        // flag lowest.
        bits |= ((GetU64LE(flags + byte) * 0x0102040810204080ull) >> 56) << byte;
    }
    return bits;
}

// Frees the leaves and threads the kept nodes onto their parents' child
// lists in ascending order. `free` gets a bit per free slot, plus one at
// 1024 to stop searches.
void DropLeaves(const LzwNode* nodes, const uint8_t* hasChild, Pruning& p, uint64_t* free) {
    for (uint32_t word = 0; word < kFirstLearnt / 64; ++word)
        free[word] = 0;
    for (uint32_t word = kFirstLearnt / 64; word < kMaskWords; ++word)
        free[word] = ~GatherFlags(hasChild + word * 64);
    free[kFirstLearnt / 64] &= ~0ull << (kFirstLearnt % 64);
    free[kMaskWords] = 1;

    uint16_t* links = p.links;
    for (uint32_t word = kFirstLearnt / 64; word < kMaskWords; ++word) {
        for (uint64_t kept = ~free[word] & ~(word == kFirstLearnt / 64 ? 1ull : 0ull); kept != 0;
             kept &= kept - 1) {
            const uint32_t i = word * 64 + LowestBit(kept);
            const uint32_t parent = nodes[i].prefix & (LZW_DICT_SIZE - 1);
            // A node's children all come after it, so its own list is
            // started before anything is linked onto it.
            links[i] = 0;
            links[LZW_DICT_SIZE + i] = 0;
            p.tail[i] = static_cast<uint16_t>(LZW_DICT_SIZE + i);
            links[p.tail[parent]] = static_cast<uint16_t>(i);
            p.tail[parent] = static_cast<uint16_t>(i);
            p.isParent[parent] = 1;
        }
    }
}

// Walks the kept nodes from slot 0 up, moving each one found above the
// lowest free slot into it and giving it its parent's new number; marks in
// `hasChild` which of the renumbered nodes have kept children. Returns the
// first free slot after.
uint32_t Compact(LzwNode* nodes, uint8_t* hasChild, Pruning& p, uint64_t* free) {
    uint16_t* links = p.links;
    // The lowest free slot, and the free slots of its word at or above it,
    // kept in registers: the next test waits for them after every move.
    uint32_t freeWord = kFirstLearnt / 64;
    uint64_t freeBits = free[freeWord] & (~0ull << (kFirstLearnt % 64));
    while (freeBits == 0)
        freeBits = free[++freeWord];
    uint32_t freeSlot = freeWord * 64 + LowestBit(freeBits);
    // Puts node `code` (reached from its parent or its previous sibling) in
    // its final slot and gives it `parent`. A missing link (0) writes node
    // 0's prefix, put back at the end.
    auto place = [&](uint32_t code, uint32_t parent) {
        if (code > freeSlot) {
            const uint32_t to = freeSlot;
            nodes[to] = nodes[code];
            links[to] = links[code];
            links[LZW_DICT_SIZE + to] = links[LZW_DICT_SIZE + code];
            const uint64_t bit = 1ull << (code % 64);
            free[code / 64] |= bit;
            const uint64_t sameWord = 0ull - static_cast<uint64_t>(code / 64 == freeWord);
            freeBits = (freeBits & (freeBits - 1)) | (bit & sameWord);
            while (freeBits == 0)
                freeBits = free[++freeWord];
            freeSlot = freeWord * 64 + LowestBit(freeBits);
            code = to;
        }
        nodes[code].prefix = parent;
    };
    // Roots (0 to 256) in order; above 256 the flags are not kept up.
    for (uint32_t word = 0; word <= LZW_END_CODE / 64; ++word) {
        uint64_t bits = GatherFlags(p.isParent + word * 64);
        if (word == LZW_END_CODE / 64)
            bits &= (2ull << (LZW_END_CODE % 64)) - 1;
        for (; bits != 0; bits &= bits - 1) {
            const uint32_t root = word * 64 + LowestBit(bits);
            p.isParent[root] = 0;
            const uint32_t child = links[LZW_DICT_SIZE + root];
            links[LZW_DICT_SIZE + root] = 0;
            p.tail[root] = static_cast<uint16_t>(LZW_DICT_SIZE + root);
            place(child, root);
        }
    }
    for (uint32_t i = kFirstLearnt; i < freeSlot; ++i) {
        const uint32_t child = links[LZW_DICT_SIZE + i];
        const uint32_t sibling = links[i];
        hasChild[i] = child != 0;
        place(child, i);
        place(sibling, nodes[i].prefix);
    }
    nodes[0].prefix = LZW_END_CODE;
    return freeSlot;
}

// What LzwState::dict points at. Besides the nodes it records which nodes are
// some other node's prefix, set as nodes are learnt, so that a pruning knows
// at once which nodes it keeps, and the pruning's own scratch.
struct DictBlock {
    LzwNode nodes[LZW_DICT_SIZE];
    uint8_t hasChild[LZW_DICT_SIZE];
    Pruning pruning;
};

DictBlock* BlockOf(LzwNode* dict) {
    return reinterpret_cast<DictBlock*>(dict);
}

// Prunes `nodes`, given which of them are prefixes; returns the first free
// slot.
uint32_t PruneNodes(LzwNode* nodes, uint8_t* hasChild, Pruning& p) {
    uint64_t free[kMaskWords + 1];
    DropLeaves(nodes, hasChild, p, free);
    return Compact(nodes, hasChild, p, free);
}

// The width that fits the first free slot, and the code read next: that
// value comes without a previous one, and the step after it brings N back to
// the first free slot.
void AfterPruning(uint32_t freeSlot, int32_t* nextCode, int32_t* codeWidth) {
    int32_t w = *codeWidth;
    while (freeSlot <= (1u << (w - 1)))
        --w;
    *codeWidth = w;
    *nextCode = static_cast<int32_t>(freeSlot) - 1;
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
    DictBlock* block = static_cast<DictBlock*>(ZAlloc(sizeof(DictBlock)));
    state->dict = block != nullptr ? block->nodes : nullptr;
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
    if (state->dict != nullptr) {
        InitRoots(state->dict);
        std::memset(BlockOf(state->dict)->hasChild, 0, LZW_DICT_SIZE);
        InitPruning(BlockOf(state->dict)->pruning);
    }
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
    uint8_t hasChild[LZW_DICT_SIZE] = {};
    for (uint32_t i = kFirstLearnt; i < LZW_DICT_SIZE; ++i)
        hasChild[nodes[i].prefix & (LZW_DICT_SIZE - 1)] = 1;
    Pruning pruning;
    InitPruning(pruning);
    const uint32_t freeSlot = PruneNodes(nodes, hasChild, pruning);
    for (uint32_t i = 0; i < freeSlot; ++i)
        nodes[i].link = LZW_END_CODE;
    AfterPruning(freeSlot, nextCode, codeWidth);
}

// ---- decoding ------------------------------------------------------------------

namespace {

// N moves on after each whole value, W widens at each power of two, and a
// full dictionary is pruned; true after a pruning.
inline bool Advance(LzwNode* dict, uint32_t& n, int32_t& w) {
    if (++n != (1u << w))
        return false;
    ++w;
    if (n != LZW_DICT_SIZE)
        return false;
    DictBlock* block = BlockOf(dict);
    int32_t nextCode = 0;
    AfterPruning(PruneNodes(dict, block->hasChild, block->pruning), &nextCode, &w);
    n = static_cast<uint32_t>(nextCode);
    return true;
}

} // namespace

uint32_t LzwDecode(LzwState* state, LzwInput* input, uint8_t** cursor, int32_t limit) {
    uint32_t count = state->outCount;
    if (state->dict == nullptr || limit <= 0 || count >= static_cast<uint32_t>(limit))
        return count;
    const uint32_t want = static_cast<uint32_t>(limit);
    LzwNode* dict = state->dict;
    uint8_t* out = state->outBase;
    uint32_t n = static_cast<uint32_t>(state->nextCode);
    int32_t w = state->codeWidth;
    uint32_t prev = state->savedPrev;
    uint32_t prevStart = state->prevStart;
    const uint32_t requestStart = state->requestStart;
    BitReader reader{state->bitBuffer, state->bitCount, *cursor,
                     input->buffer + (input->filled > 0 ? input->filled : 0), input};
    int32_t mode = state->byteMode ? (state->byteNext ? kByteNext : kBytes)
                                   : (state->highCodes ? kHigh : kLow);

    bool running = !state->ended;
    if (running && state->resume == 1) {
        const uint32_t code = state->resumeNode;
        const uint32_t got = EmitPart(dict, code, state->resumeDone, want - count,
                                      out != nullptr ? out + count : nullptr);
        count += got;
        state->resumeDone += got;
        if (state->resumeDone >= dict[code].length) {
            state->resume = 0;
            prev = Advance(dict, n, w) ? LZW_END_CODE : code;
        } else {
            running = false;
        }
    }

    while (running) {
        if (count >= want) {
            state->resume = 3;
            break;
        }
        if (reader.count < kMaxValueBits)
            FillBits(reader);
        const int32_t read = reader.count >= kMaxValueBits
                                 ? ReadValue<false>(reader, mode, static_cast<int32_t>(n), w)
                                 : ReadValue<true>(reader, mode, static_cast<int32_t>(n), w);
        // -1 (the input ended) compares above any N.
        const uint32_t value = static_cast<uint32_t>(read);
        if (value > n || value == LZW_END_CODE) {
            state->ended = 1;
            break;
        }
        state->lastCode = static_cast<int32_t>(value);
        if (prev != LZW_END_CODE) {
            // The new node is prev's string and the first byte of this
            // value's; for the code being learnt that is prev's first byte.
            const LzwNode& parent = dict[prev];
            const uint8_t k = dict[value == n ? prev : value].first;
            LzwNode& learnt = dict[n];
            learnt.ch = k;
            learnt.first = parent.first;
            learnt.length = static_cast<uint16_t>(parent.length + 1);
            learnt.link = LZW_END_CODE;
            learnt.prefix = prev;
            learnt.seenAt = prevStart;
            uint8_t* hasChild = BlockOf(dict)->hasChild;
            hasChild[prev] = 1;
            hasChild[n] = 0;
        }
        const uint32_t start = requestStart + count;
        LzwNode& node = dict[value];
        const uint32_t length = node.length;
        const uint32_t room = want - count;
        prev = value;
        prevStart = start;
        if (length > room) {
            const uint32_t got =
                EmitPart(dict, value, 0, room, out != nullptr ? out + count : nullptr);
            count += got;
            state->resume = 1;
            state->resumeNode = value;
            state->resumeDone = got;
            break;
        }
        if (out != nullptr) {
            const uint32_t seen = node.seenAt - requestStart;
            node.seenAt = start;
            EmitWhole(dict, value, length, seen, count, room, out);
        }
        count += length;
        if (Advance(dict, n, w))
            prev = LZW_END_CODE;
    }

    state->outCount = count;
    state->produced = requestStart + count;
    state->prevStart = prevStart;
    state->nextCode = static_cast<int32_t>(n);
    state->codeWidth = w;
    state->savedPrev = prev;
    state->bitBuffer = reader.bits;
    state->bitCount = reader.count;
    state->byteMode = mode >= kByteNext;
    state->byteNext = mode == kByteNext;
    state->highCodes = mode == kHigh;
    *cursor = reader.cursor;
    return count;
}
