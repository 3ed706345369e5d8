#pragma once
// The host's rows as one packed picture without a copy, when they already are one.

// Null when the rows are not `width` × 3 bytes apart, one after the other.
unsigned char* packedRows(unsigned char** rows, int height, int width);
