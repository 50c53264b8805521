#include "app/FeedDownload.h"
#include "app/ProgramModule.h"

namespace feed_download {

std::unique_ptr<FeedDownload> load(const QString& folder, QString* error) {
    const auto create = reinterpret_cast<Create>(
        program_module::entryPoint(folder, moduleFileName, createSymbol, error));
    return std::unique_ptr<FeedDownload>(create ? create() : nullptr);
}

} // namespace feed_download
