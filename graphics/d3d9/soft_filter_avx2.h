// The AVX2 parts of the filter's rows (soft_filter.h): whole groups of
// eight from the row's start; each returns how many it did. Only when
// CpuHasAvx2().
#pragma once

#include <cstdint>

int32_t LerpTexelRowsAvx2(uint32_t* out, const uint32_t* top, const uint32_t* bottom, int32_t count,
                          uint32_t w);
int32_t LerpTexelColumnsAvx2(uint32_t* out, const uint32_t* texels, const int32_t* first,
                             const int32_t* second, const uint32_t* weights, int32_t count);
