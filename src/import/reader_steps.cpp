#include "import/reader_steps.h"

namespace trakor {

// Interim: glitch removal and the waypoint writer are wired in here once they are available.
void cleanImportedPoints(Context& ctx) {}

void writeImportedWaypoint(Context& ctx, ImportJob& job, const std::string& name, int32_t index, int visible) {}

}  // namespace trakor
