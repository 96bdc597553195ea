// SPDX-License-Identifier: GPL-3.0-or-later
// The GDB conversion pass: the input's records one by one, converted by the option in `Mode`.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace trakor {

struct Context;
class ByteStream;

// Name of part d of n written parts: "%s#%d" (n up to 9) or "%s#%02d" when `Split` is 1,
// else the name alone.
std::string partName(const Context& ctx, std::string_view name, int d, int n);

// Reads one record of the input and writes what the option makes of it: unchanged or renamed
// copies, kept copies ("!" names), converted routes and tracks. Clears the information flag
// first; a warning for the user is left in it (1 or 2) with its text. Result: the record's type
// letter; 'V' at the end record and at the end of usable data (a zero or negative length, or a
// record cut short). A pass that ends anywhere but at the input's end record writes one.
// The records are read and written in the version letter of ctx.run.outputVersion.
char convertGdbRecord(Context& ctx, ByteStream& in, ByteStream& out);

// The header scan as the pass needs it: scanHeader (which also sets ctx.run.outputVersion to
// the input's version), with a saved-route marker preset from `Save Route` kept at 1, since the
// kept route copies need the input's waypoints. Result as scanHeader: 0 usable, 1 not a usable
// GDB file.
int scanForGdbPass(Context& ctx, ByteStream& in, int32_t& headerLength);

// The whole pass after the header scan: copies the header (headerLength bytes), converts every
// record, and after each record that left information shows it in a box captioned "Info".
// Result: the number of records read.
int32_t convertGdbFile(Context& ctx, ByteStream& in, ByteStream& out, int32_t headerLength);

}  // namespace trakor
