#include "engine/helpers.h"

#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "engine/platform.h"
#include "engine/task_stack.h"

// ---- memory and exits ----------------------------------------------------

void* ZAlloc(int32_t size) {
    if (size < 1)
        return nullptr;
    // A size taken from corrupt data must not spin for ever.
    for (int attempt = 0; attempt < 3; ++attempt) {
        void* block = std::malloc(static_cast<size_t>(size));
        if (block != nullptr) {
            std::memset(block, 0, static_cast<size_t>(size));
            return block;
        }
    }
    FatalMessage("out of memory\n");
}

void FillBytes(void* dst, int32_t value, int32_t count) {
    if (dst != nullptr && count > 0)
        std::memset(dst, value & 0xFF, static_cast<size_t>(count));
}

void FatalExit() {
    PopAllTasks();
    std::fflush(stdout);
    _exit(1);
}

void FatalMessage(const char* text) {
    std::fputs(text != nullptr ? text : "", stdout);
    std::fflush(stdout);
    _exit(1);
}

uint32_t GetTicks() {
    return GetPlatform().GetTicks();
}

// ---- UTF-16 text ---------------------------------------------------------

int32_t WStrLen(const char16_t* s) {
    int32_t n = 0;
    while (s[n] != 0)
        ++n;
    return n;
}

char16_t* WStrCopy(char16_t* dst, const char16_t* src) {
    int32_t i = 0;
    do {
        dst[i] = src[i];
    } while (src[i++] != 0);
    return dst;
}

char16_t* WStrCopyN(char16_t* dst, const char16_t* src, uint32_t n) {
    uint32_t i = 0;
    for (; i < n && src[i] != 0; ++i)
        dst[i] = src[i];
    dst[i] = 0;
    return dst;
}

char16_t* WStrCat(char16_t* dst, const char16_t* src) {
    WStrCopy(dst + WStrLen(dst), src);
    return dst;
}

char16_t* WStrCatN(char16_t* dst, const char16_t* src, uint32_t n) {
    WStrCopyN(dst + WStrLen(dst), src, n);
    return dst;
}

int32_t WStrCmp(const char16_t* a, const char16_t* b) {
    int32_t i = 0;
    while (a[i] != 0 && a[i] == b[i])
        ++i;
    return static_cast<int32_t>(a[i]) - static_cast<int32_t>(b[i]);
}

// ---- integer maths -------------------------------------------------------

uint32_t ISqrt(uint32_t n) {
    if (n == 0)
        return 0;
    uint32_t g;
    if (n >= 0x1000000u)
        g = 16383;
    else if (n >= 0x10000u)
        g = 1023;
    else if (n >= 256)
        g = 63;
    else
        g = n > 4 ? 7 : n;
    uint32_t p = n;
    for (;;) {
        // ceil((n / g + g) / 2) without overflowing 32 bits
        uint32_t sum = n / g + g;
        g = sum / 2 + (sum & 1);
        if (p <= g)
            break;
        p = g;
    }
    if (n % p == 0 && n / p == p - 1)
        return p - 1;
    return p;
}

int32_t IAbs(int32_t x) {
    // The most negative value stays itself, computed without overflow.
    uint32_t u = static_cast<uint32_t>(x);
    return static_cast<int32_t>(x < 0 ? 0u - u : u);
}

int32_t Sign(int32_t x) {
    return (x > 0) - (x < 0);
}

// ---- random numbers ------------------------------------------------------

static uint32_t gRandomState = kInitialRandomState;
static uint32_t gCrtRandState = 1;

static constexpr uint32_t LfsrStep(uint32_t s) {
    uint32_t f = ((s >> 31) ^ (s >> 6) ^ (s >> 4) ^ (s >> 2) ^ (s >> 1) ^ s) & 1u;
    return (s >> 1) | (f << 31);
}

// The 32 one-bit steps of one draw are linear over GF(2), so the state
// after them is the XOR of the images of its four bytes: four look-ups in
// tables built by the compiler give the same sequence as stepping. Particle
// effects draw a dozen numbers per particle per frame, so this is hot.
namespace {

struct RandomStepTables {
    uint32_t byteImage[4][256] = {};
    constexpr RandomStepTables() {
        for (int k = 0; k < 4; ++k)
            for (uint32_t b = 0; b < 256; ++b) {
                uint32_t s = b << (8 * k);
                for (int i = 0; i < 32; ++i)
                    s = LfsrStep(s);
                byteImage[k][b] = s;
            }
    }
};

constexpr RandomStepTables kRandomStepTables;

} // namespace

uint32_t NextRandom() {
    const uint32_t s = gRandomState;
    const auto& t = kRandomStepTables.byteImage;
    gRandomState = t[0][s & 255] ^ t[1][(s >> 8) & 255] ^ t[2][(s >> 16) & 255] ^ t[3][s >> 24];
    return gRandomState;
}

int32_t RandomInt(uint32_t lo, uint32_t hi) {
    uint32_t span = hi - lo + 1u;
    if (span == 0) // the full 32-bit range
        return static_cast<int32_t>(NextRandom() + lo);
    return static_cast<int32_t>(NextRandom() % span + lo);
}

float Random(float min, float max) {
    double r = static_cast<double>(NextRandom());
    return static_cast<float>(static_cast<double>(min) +
                              r * (static_cast<double>(max) - min) / 4294967295.0);
}

uint32_t GetRandomState() {
    return gRandomState;
}
void SetRandomState(uint32_t state) {
    gRandomState = state;
}

int32_t CrtRand() {
    gCrtRandState = gCrtRandState * 214013u + 2531011u;
    return static_cast<int32_t>((gCrtRandState >> 16) & 0x7FFF);
}
void CrtSrand(uint32_t seed) {
    gCrtRandState = seed;
}
uint32_t GetCrtRandState() {
    return gCrtRandState;
}
void SetCrtRandState(uint32_t state) {
    gCrtRandState = state;
}

// ---- fixed point ---------------------------------------------------------

// floor(65536 sin) and floor(65536 cos) of k * 805 / 65536 radians.
const int32_t gSinTable[128][2] = {
    {0, 65536},     {804, 65531},   {1609, 65516},  {2414, 65491},  {3218, 65456},  {4022, 65412},
    {4825, 65358},  {5628, 65293},  {6429, 65219},  {7230, 65135},  {8029, 65042},  {8828, 64938},
    {9625, 64825},  {10420, 64702}, {11214, 64569}, {12006, 64426}, {12797, 64274}, {13585, 64112},
    {14372, 63940}, {15156, 63759}, {15938, 63568}, {16718, 63367}, {17495, 63157}, {18269, 62937},
    {19041, 62708}, {19810, 62470}, {20576, 62222}, {21338, 61964}, {22098, 61697}, {22854, 61421},
    {23607, 61136}, {24356, 60841}, {25101, 60538}, {25843, 60225}, {26581, 59903}, {27315, 59572},
    {28044, 59232}, {28770, 58883}, {29491, 58525}, {30207, 58158}, {30919, 57783}, {31627, 57399},
    {32330, 57006}, {33027, 56605}, {33720, 56195}, {34408, 55776}, {35090, 55349}, {35768, 54914},
    {36439, 54471}, {37106, 54019}, {37766, 53559}, {38421, 53091}, {39071, 52615}, {39714, 52131},
    {40351, 51640}, {40983, 51140}, {41608, 50633}, {42226, 50118}, {42839, 49595}, {43445, 49065},
    {44044, 48528}, {44637, 47983}, {45223, 47432}, {45802, 46873}, {46374, 46306}, {46940, 45733},
    {47498, 45153}, {48049, 44566}, {48593, 43973}, {49129, 43373}, {49658, 42766}, {50180, 42153},
    {50694, 41533}, {51200, 40907}, {51699, 40275}, {52190, 39637}, {52673, 38993}, {53148, 38343},
    {53615, 37688}, {54073, 37026}, {54524, 36359}, {54967, 35687}, {55401, 35009}, {55827, 34326},
    {56244, 33638}, {56653, 32944}, {57053, 32246}, {57445, 31543}, {57828, 30835}, {58203, 30122},
    {58568, 29405}, {58925, 28683}, {59273, 27957}, {59612, 27227}, {59942, 26493}, {60263, 25754},
    {60574, 25012}, {60877, 24266}, {61171, 23517}, {61455, 22764}, {61730, 22007}, {61995, 21247},
    {62252, 20484}, {62499, 19718}, {62736, 18949}, {62964, 18177}, {63183, 17402}, {63392, 16625},
    {63591, 15845}, {63781, 15062}, {63961, 14278}, {64132, 13491}, {64293, 12702}, {64444, 11912},
    {64585, 11119}, {64717, 10325}, {64839, 9529},  {64951, 8732},  {65053, 7934},  {65146, 7134},
    {65229, 6333},  {65302, 5532},  {65365, 4729},  {65418, 3926},  {65461, 3122},  {65494, 2318},
    {65518, 1513},  {65532, 708},
};

int32_t FixedSin(int32_t angle) {
    int32_t r = angle % FIXED_FULL_TURN;
    if (r < 0)
        r += FIXED_FULL_TURN;
    int32_t q = r / FIXED_QUARTER_TURN;
    int32_t x;
    switch (q) {
    case 0:
        x = r;
        break;
    case 1:
        x = FIXED_HALF_TURN - r;
        break;
    case 2:
        x = r - FIXED_HALF_TURN;
        break;
    default:
        x = FIXED_FULL_TURN - 1 - r;
        break;
    }
    int32_t i = x / 805;
    int64_t b = x % 805;
    if (i > 127) // x can reach the quarter turn itself
        i = 127, b = x - 127 * 805;
    int32_t s = gSinTable[i][0];
    int32_t c = gSinTable[i][1];
    int64_t sinB = b - (b * b * b) / (6LL * 65536 * 65536);
    int64_t cosB = 65536 - (b * b) / (2LL * 65536);
    int64_t term1 = (static_cast<int64_t>(s / 4) * (cosB / 4)) / 4096;
    int64_t term2 = (sinB * c) / 65536;
    int32_t result = static_cast<int32_t>(term1 + term2);
    return q >= 2 ? -result : result;
}

// ---- DataList ------------------------------------------------------------

void DataListInit(DataList* list) {
    list->head = nullptr;
    list->tail = nullptr;
    list->count = 0;
}

void DataListClear(DataList* list) {
    DataListNode* node = list->head;
    for (uint32_t i = 0; i < list->count && node != nullptr; ++i) {
        DataListNode* next = node->next;
        std::free(node->data);
        std::free(node);
        node = next;
    }
    DataListInit(list);
}

static DataListNode* WalkFrom(const DataList* list, uint32_t steps, bool fromHead) {
    DataListNode* node = fromHead ? list->head : list->tail;
    for (uint32_t i = 0; i < steps; ++i)
        node = fromHead ? node->next : node->prev;
    return node;
}

DataListNode* DataListNodeAt(const DataList* list, uint32_t index, int32_t end) {
    if (index >= list->count || (end != 0 && end != 1))
        return nullptr;
    bool fromHead = end == 0;
    if (index > list->count / 2) {
        fromHead = !fromHead;
        index = list->count - index - 1;
    }
    return WalkFrom(list, index, fromHead);
}

// Puts `node` towards the head from `at` (before) or towards the tail (after).
static void LinkBefore(DataList* list, DataListNode* node, DataListNode* at) {
    node->next = at;
    node->prev = at->prev;
    at->prev->next = node;
    at->prev = node;
    if (at == list->head)
        list->head = node;
}

static void LinkAfter(DataList* list, DataListNode* node, DataListNode* at) {
    node->prev = at;
    node->next = at->next;
    at->next->prev = node;
    at->next = node;
    if (at == list->tail)
        list->tail = node;
}

DataListNode* DataListInsert(DataList* list, const void* payload, uint32_t size, uint32_t index,
                             int32_t end) {
    // An empty list takes its first node whatever the index.
    if ((index > list->count && list->count > 0) || (end != 0 && end != 1))
        return nullptr;
    DataListNode* node = static_cast<DataListNode*>(ZAlloc(sizeof(DataListNode)));
    if (size > 0) {
        node->data = std::malloc(size);
        if (node->data == nullptr)
            FatalMessage("out of memory\n");
        if (payload != nullptr)
            std::memcpy(node->data, payload, size);
        else
            std::memset(node->data, 0, size);
        node->size = size;
    }
    if (list->count == 0) {
        node->prev = node;
        node->next = node;
        list->head = node;
        list->tail = node;
    } else if (end == 0) {
        // The node at `index` from the head is found from the nearer end.
        if (index <= list->count / 2)
            LinkBefore(list, node, WalkFrom(list, index, true));
        else
            LinkAfter(list, node, WalkFrom(list, list->count - index, false));
    } else {
        if (index <= list->count / 2)
            LinkAfter(list, node, WalkFrom(list, index, false));
        else
            LinkBefore(list, node, WalkFrom(list, list->count - index, true));
    }
    ++list->count;
    return node;
}

void DataListRemove(DataList* list, DataListNode* node) {
    if (list->count == 0 || node == nullptr)
        return;
    if (list->count == 1) {
        list->head = nullptr;
        list->tail = nullptr;
    } else {
        node->prev->next = node->next;
        node->next->prev = node->prev;
        if (node == list->head)
            list->head = node->next;
        if (node == list->tail)
            list->tail = node->prev;
    }
    std::free(node->data);
    std::free(node);
    --list->count;
}
