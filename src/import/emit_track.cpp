#include "import/reader.h"

namespace trakor {

// First cut: hands the track to the test hook. Writing records follows with the record writers.
void emitImportedTrack(Context& ctx, ImportJob& job, const std::string& name, int32_t option) {
    if (job.onEmit) job.onEmit(ctx, name);
}

}  // namespace trakor
