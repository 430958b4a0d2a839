#pragma once

#include "store/catalogue_connection.h"

#include <span>
#include <string>

namespace tunebay {

// Optional property types of a media row (tblOptionalType.lID).
enum OptionalType : int {
    kOptionalFingerprint = 4095,
    kOptionalChannelMode = 4098,
    kOptionalSampleRate = 4102,
    kOptionalBitrate = 4103,
    kOptionalVariableBitrate = 4112,
    kOptionalVolumeName = 4117,
    kOptionalAudioSize = 4118,
    // The compressed acoustic fingerprint, kept beside the track id so that recordings can be
    // compared without decoding the files again.
    kOptionalRawFingerprint = 4119,
    // The sample width of a lossless file (FLAC, ALAC, WAV, AIFF, WavPack, Monkey's Audio).
    kOptionalBitsPerSample = 4120,
};

// Value kinds (tblOptionalType.lValueType): 1 and 5 text, 2 integer, 3 floating point,
// 4 boolean stored as an integer.
enum OptionalValueKind : int {
    kValueText = 1,
    kValueInteger = 2,
    kValueFloat = 3,
    kValueBoolean = 4,
    kValueText2 = 5,
};

// One optional value as passed around; only the member matching the kind is used.
struct OptionalValue {
    int ownerId = 0;
    int typeId = 0;
    int kind = 0;
    std::string text;
    int integer = 0;
    double number = 0.0;
};

// Inserts or updates the one row of (owner, type). An empty text is stored as NULL; a kind
// outside 1..5 writes nothing.
void SetOptionalValue(CCatalogueConnection& connection, const OptionalValue& value);

// Inserts the row of (owner, type) for an owner that has none of this type yet (a media row just
// made): the same as SetOptionalValue without first looking for the row.
void AddOptionalValue(CCatalogueConnection& connection, const OptionalValue& value);

// AddOptionalValue for many values at once (the new media rows of an import batch), in the
// order given: the rows are the same, written with a few multi-row statements.
void AddOptionalValues(CCatalogueConnection& connection, std::span<const OptionalValue> values);

// Adds the rows of tblOptionalType this program uses that a catalogue made by an earlier version
// lacks; the catalogue's format version stays as it is.
void AddMissingOptionalTypes(CCatalogueConnection& connection);

} // namespace tunebay
