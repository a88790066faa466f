// Small services the whole program shares: zeroed allocation, fatal exits,
// UTF-16 strings, integer maths, the random generators, fixed-point sine,
// the millisecond clock and the owning circular list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// ---- memory and exits ----------------------------------------------------

// Zeroed block of `size` bytes; null for size < 1, never null otherwise
// (gives up through FatalMessage when memory stays exhausted).
void* ZAlloc(int32_t size);

template <typename T> inline void FreeAndNull(T** pointer) {
    if (*pointer != nullptr) {
        std::free(const_cast<void*>(static_cast<const void*>(*pointer)));
        *pointer = nullptr;
    }
}

void FillBytes(void* dst, int32_t value, int32_t count);

// Pops every task (each gets its leave message), then ends the process
// with exit code 1.
[[noreturn]] void FatalExit();
// Prints `text` to standard output as it stands and ends the process at
// once with exit code 1: nothing leaves, nothing is saved.
[[noreturn]] void FatalMessage(const char* text);

// Milliseconds, through the platform seam.
uint32_t GetTicks();

// ---- UTF-16 text ---------------------------------------------------------

int32_t WStrLen(const char16_t* s);
char16_t* WStrCopy(char16_t* dst, const char16_t* src);
char16_t* WStrCopyN(char16_t* dst, const char16_t* src, uint32_t n);
char16_t* WStrCat(char16_t* dst, const char16_t* src);
char16_t* WStrCatN(char16_t* dst, const char16_t* src, uint32_t n);
// <0, 0 or >0 by unsigned code-unit order (never the locale's).
int32_t WStrCmp(const char16_t* a, const char16_t* b);

// ---- integer maths -------------------------------------------------------

uint32_t ISqrt(uint32_t n);
int32_t IAbs(int32_t x);
int32_t Sign(int32_t x);

// ---- random numbers ------------------------------------------------------

constexpr uint32_t kInitialRandomState = 0xFADE000Du;

uint32_t NextRandom();
int32_t RandomInt(uint32_t lo, uint32_t hi);
float Random(float min, float max);
uint32_t GetRandomState();
void SetRandomState(uint32_t state);

// The Windows C runtime's rand(), reproduced so that replays match on every
// platform: 0..0x7FFF. Never call the C library's rand().
int32_t CrtRand();
void CrtSrand(uint32_t seed);
uint32_t GetCrtRandState();
void SetCrtRandState(uint32_t state);

// ---- fixed point ---------------------------------------------------------

constexpr int32_t FIXED_ONE = 65536;
constexpr int32_t FIXED_FULL_TURN = 411775;
constexpr int32_t FIXED_QUARTER_TURN = 102944;
constexpr int32_t FIXED_HALF_TURN = 205887;

// (sin, cos) in 16.16 for the angles k * 805, k = 0..127.
extern const int32_t gSinTable[128][2];

int32_t FixedSin(int32_t angle);

// ---- DataList: owning circular doubly linked list ------------------------

struct DataListNode {
    DataListNode* prev; // towards the head
    DataListNode* next; // towards the tail
    void* data;         // the node's own copy of the payload, null when empty
    uint32_t size;
};

struct DataList {
    DataListNode* head;
    DataListNode* tail;
    uint32_t count;
};

void DataListInit(DataList* list);
void DataListClear(DataList* list);
DataListNode* DataListNodeAt(const DataList* list, uint32_t index, int32_t end);
DataListNode* DataListInsert(DataList* list, const void* payload, uint32_t size, uint32_t index,
                             int32_t end);
void DataListRemove(DataList* list, DataListNode* node);

// Lists that hold pointers store a pointer-sized payload; these keep the
// size right on every platform.
inline DataListNode* DataListInsertPointer(DataList* list, const void* pointer, uint32_t index,
                                           int32_t end) {
    return DataListInsert(list, &pointer, sizeof(pointer), index, end);
}
template <typename T> inline T* DataListPointer(const DataListNode* node) {
    if (node == nullptr || node->data == nullptr || node->size != sizeof(void*))
        return nullptr;
    return *static_cast<T* const*>(node->data);
}
