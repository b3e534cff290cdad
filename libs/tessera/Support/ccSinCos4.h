#pragma once
// Sine and cosine of four angles in degrees at once: the four-wide twin of
// ccSinCosDegrees (ccSinCos.h), for a batch node's pass over many turning
// sprites.
//
// Every lane takes the scalar function's steps in the same order with the
// same single-precision constants: the same rounding to a quarter turn, the
// same remainder, the same two polynomials, the same swap and sign flips. Each
// SSE2 operation rounds exactly as its scalar counterpart does (the build
// never contracts multiply-adds and never uses fast-math), so the results are
// bit-identical to ccSinCosDegrees, lane by lane. Lanes the scalar function
// treats specially (beyond ±4,194,304 degrees, NaN, infinities) are taken by
// the scalar function itself, so they match too.
//
// SSE2 is the x86-64 baseline; elsewhere the four lanes go through the scalar
// function one by one.

#include "tessera/Support/ccSinCos.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#if defined(__SSE2__)
/// The same on registers: lane i of `*sines` and `*cosines` is the sine and
/// cosine of lane i of `angle`.
inline void ccSinCosDegrees4(__m128 angle, __m128* sines, __m128* cosines) {
  // |angle| < 2^22 (false for NaN): the lanes the fast reduction handles.
  const __m128 magnitude = _mm_and_ps(angle, _mm_castsi128_ps(_mm_set1_epi32(0x7FFFFFFF)));
  const int inRange = _mm_movemask_ps(_mm_cmplt_ps(magnitude, _mm_set1_ps(4194304.0f)));

  // Nearest whole quarter turn, then the exact remainder in [-45, 45].
  const __m128 rounder = _mm_set1_ps(12582912.0f);
  const __m128 quarters =
      _mm_sub_ps(_mm_add_ps(_mm_mul_ps(angle, _mm_set1_ps(1.0f / 90.0f)), rounder), rounder);
  const __m128 remainder = _mm_sub_ps(angle, _mm_mul_ps(quarters, _mm_set1_ps(90.0f)));
  const __m128 x = _mm_mul_ps(remainder, _mm_set1_ps(0.01745329252f));
  const __m128 z = _mm_mul_ps(x, x);

  // s = x + x z (A + z (B + z C)), grouped as the scalar expression is.
  __m128 sinePoly = _mm_mul_ps(z, _mm_set1_ps(-1.9515295891e-4f));
  sinePoly = _mm_mul_ps(z, _mm_add_ps(_mm_set1_ps(8.3321608736e-3f), sinePoly));
  sinePoly = _mm_add_ps(_mm_set1_ps(-1.6666654611e-1f), sinePoly);
  const __m128 s = _mm_add_ps(x, _mm_mul_ps(_mm_mul_ps(x, z), sinePoly));

  // c = (1 - 0.5 z) + z z (D + z (E + z F)).
  __m128 cosinePoly = _mm_mul_ps(z, _mm_set1_ps(2.443315711809948e-5f));
  cosinePoly = _mm_mul_ps(z, _mm_add_ps(_mm_set1_ps(-1.388731625493765e-3f), cosinePoly));
  cosinePoly = _mm_add_ps(_mm_set1_ps(4.166664568298827e-2f), cosinePoly);
  const __m128 c = _mm_add_ps(_mm_sub_ps(_mm_set1_ps(1.0f), _mm_mul_ps(_mm_set1_ps(0.5f), z)),
                              _mm_mul_ps(_mm_mul_ps(z, z), cosinePoly));

  // Odd quarter turns swap sine and cosine; bit 1 of q flips the sine's
  // sign, bit 1 of q + 1 the cosine's.
  const __m128i q = _mm_cvttps_epi32(quarters);
  const __m128i one = _mm_set1_epi32(1);
  const __m128 swap = _mm_castsi128_ps(_mm_cmpeq_epi32(_mm_and_si128(q, one), one));
  const __m128i two = _mm_set1_epi32(2);
  const __m128 sineSign = _mm_castsi128_ps(_mm_slli_epi32(_mm_and_si128(q, two), 30));
  const __m128 cosineSign = _mm_castsi128_ps(_mm_slli_epi32(_mm_and_si128(_mm_add_epi32(q, one), two), 30));
  const __m128 sine = _mm_or_ps(_mm_and_ps(swap, c), _mm_andnot_ps(swap, s));
  const __m128 cosine = _mm_or_ps(_mm_and_ps(swap, s), _mm_andnot_ps(swap, c));
  *sines = _mm_xor_ps(sine, sineSign);
  *cosines = _mm_xor_ps(cosine, cosineSign);

  if (inRange != 0xF) {
    alignas(16) float degrees[4];
    alignas(16) float sineLanes[4];
    alignas(16) float cosineLanes[4];
    _mm_store_ps(degrees, angle);
    _mm_store_ps(sineLanes, *sines);
    _mm_store_ps(cosineLanes, *cosines);
    for (int i = 0; i < 4; ++i) {
      if (!(inRange & (1 << i))) ccSinCosDegrees(degrees[i], &sineLanes[i], &cosineLanes[i]);
    }
    *sines = _mm_load_ps(sineLanes);
    *cosines = _mm_load_ps(cosineLanes);
  }
}
#endif

/// `sines[i]` and `cosines[i]` of `degrees[i]` for i = 0..3, exactly as
/// ccSinCosDegrees gives them. The arrays must not overlap.
inline void ccSinCosDegrees4(const float degrees[4], float sines[4], float cosines[4]) {
#if defined(__SSE2__)
  __m128 sine;
  __m128 cosine;
  ccSinCosDegrees4(_mm_loadu_ps(degrees), &sine, &cosine);
  _mm_storeu_ps(sines, sine);
  _mm_storeu_ps(cosines, cosine);
#else
  for (int i = 0; i < 4; ++i) ccSinCosDegrees(degrees[i], &sines[i], &cosines[i]);
#endif
}
