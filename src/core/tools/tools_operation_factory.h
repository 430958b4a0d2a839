#pragma once

#include "app/app_settings.h"
#include "tools/tools_run.h"

#include <memory>

namespace tunebay {

// The tools run of `job` as a background operation, with an identification client when the job
// identifies (the lookup service's address, key and proxy from `settings`); a stop request of the
// operation also aborts the request the client is waiting for.
std::shared_ptr<ToolsOperation> MakeToolsOperation(IProgressSink& sink,
                                                   CCatalogueConnection& connection, ToolsJob job,
                                                   IWorkerQuestion& question,
                                                   const CAppSettings& settings);

} // namespace tunebay
