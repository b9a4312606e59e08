// Whether the cell kernels run on the processor's vector units (four doubles
// at a time with AVX2) or one value at a time. Both give the same bits; the
// choice is made at run time, so one build serves every x86-64 processor.
#pragma once

namespace glimora::WallpaperRenderer {

// Whether this processor has the vector units the kernels need.
bool vectorUnitsPresent();

// Whether the kernels use them: present and not turned off.
bool vectorUnitsInUse();

// Turns the vector kernels off (or back on, where present) for the whole
// process; the scalar path then computes every value.
void allowVectorUnits(bool allowed);

}  // namespace glimora::WallpaperRenderer
