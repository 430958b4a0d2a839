#include "tools/stored_fingerprints.h"

#include "import/audio_format.h"
#include "store/catalogued_file_locator.h"
#include "tools/audio_fingerprint.h"

namespace tunebay {

namespace {

std::string audioMediaCondition() {
    return "tblMedia.lMediaType BETWEEN " + std::to_string(static_cast<int>(AudioFormat::Mpeg)) +
           " AND " + std::to_string(kLastAudioFormat);
}

} // namespace

void StoreRawFingerprint(CCatalogueConnection& connection, int mediaId,
                         const std::string& encoded) {
    OptionalValue value;
    value.ownerId = mediaId;
    value.typeId = kOptionalRawFingerprint;
    value.kind = kValueText;
    value.text = encoded;
    SetOptionalValue(connection, value);
}

int CountFingerprintableMedia(CCatalogueConnection& connection) {
    return connection.Execute("SELECT COUNT(*) FROM tblMedia WHERE " + audioMediaCondition())
        .GetInt(0);
}

FingerprintCollection CollectFingerprints(CCatalogueConnection& connection,
                                          const std::function<bool()>& stopRequested,
                                          const std::function<void(int)>& progress) {
    struct Row {
        int mediaId;
        std::string path;
        std::string stored;
    };
    std::vector<Row> rows;
    {
        ResultSet result = connection.Execute(
            "SELECT tblMedia.lID, tblDirectory.sLocal, tblMedia.sFileName, tblOptional.sValue, "
            "tblDirectory.sUNC "
            "FROM (tblMedia INNER JOIN tblDirectory ON tblMedia.lDirectoryID=tblDirectory.lID) "
            "LEFT JOIN tblOptional ON (tblOptional.lTableID=tblMedia.lID AND "
            "tblOptional.lOptionalTypeID=" +
            std::to_string(kOptionalRawFingerprint) + ") WHERE " + audioMediaCondition() +
            " ORDER BY tblMedia.lID");
        // Files are read where this machine has them.
        const CataloguedFileLocator locator;
        for (; !result.IsEof(); result.MoveNext())
            rows.push_back({result.GetInt(0),
                            locator.Path(result.GetText(1), result.GetText(4), result.GetText(2)),
                            result.GetText(3)});
    }
    FingerprintCollection collection;
    for (const Row& row : rows)
        collection.paths.emplace(row.mediaId, row.path);
    int count = 0;
    for (const Row& row : rows) {
        if (stopRequested && stopRequested())
            break;
        if (progress)
            progress(++count);
        std::vector<uint32_t> raw = DecodeFingerprint(row.stored);
        if (raw.empty()) {
            const AudioFingerprint fingerprint = FingerprintFile(row.path, stopRequested);
            if (fingerprint.stopped)
                break;
            if (!fingerprint.ok) {
                collection.failed.push_back(row.path);
                continue;
            }
            StoreRawFingerprint(connection, row.mediaId, fingerprint.fingerprint);
            ++collection.generated;
            raw = fingerprint.raw;
        }
        collection.media.push_back({row.mediaId, std::move(raw)});
    }
    return collection;
}

} // namespace tunebay
