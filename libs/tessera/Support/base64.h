#pragma once
// Base64 decoding (the standard alphabet: A-Z, a-z, 0-9, '+', '/'), used for
// data embedded in text files: particle texture images, tile-map layers.

/// Decodes `inLength` bytes of Base64 text at `in` into a new heap buffer
/// stored in `*out`, which the caller frees with free(). Characters outside
/// the alphabet (line breaks, spaces) are skipped; '=' ends the input.
///
/// Returns the number of bytes decoded. Empty input (or input of skipped
/// characters only) returns 0 with a buffer the caller still frees.
///
/// Returns 0 with `*out` null when the text ends inside a group of four
/// characters: "base64Decode: encoding incomplete: at least 2 bits missing"
/// (a lone character before '=') or "base64 encoding incomplete: at least %d
/// bits truncated" (no '=') goes to standard error, then "Base64Utils: error
/// decoding" to standard output. Also returns 0 and null when the buffer
/// cannot be allocated. Expects `out` not null.
///
/// Cost: one allocation of inLength * 3 / 4 + 1 bytes; one pass.
int base64Decode(const unsigned char* in, unsigned int inLength, unsigned char** out);
