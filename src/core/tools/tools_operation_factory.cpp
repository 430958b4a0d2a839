#include "tools/tools_operation_factory.h"

#include "tools/acoustid_identifier.h"

namespace tunebay {

std::shared_ptr<ToolsOperation> MakeToolsOperation(IProgressSink& sink,
                                                   CCatalogueConnection& connection, ToolsJob job,
                                                   IWorkerQuestion& question,
                                                   const CAppSettings& settings) {
    std::unique_ptr<AcoustIdIdentifier> identifier;
    if (job.identify)
        identifier = std::make_unique<AcoustIdIdentifier>(
            connection, AcoustIdSettings::FromSettings(settings),
            IdentificationOptions{job.identifyMissingOnly, job.identifyAsk}, question);
    AcoustIdIdentifier* client = identifier.get();
    auto operation = std::make_shared<ToolsOperation>(sink, connection, std::move(job), question,
                                                      std::move(identifier));
    if (client) {
        // The identifier lives inside the operation, so the plain pointer never dangles.
        ToolsOperation* owner = operation.get();
        client->SetStopCheck([owner] { return owner->StopRequested(); });
    }
    return operation;
}

} // namespace tunebay
