-- Catalogue schema. Names compare without ASCII case (as the catalogue always has); file names
-- and directory paths compare exactly, because POSIX paths that differ only in case are
-- different files.

-- Counters never hand out the id of a deleted row again: a window that remembers a group or an
-- item by its id must not find another one under it later.
CREATE TABLE tblMedia (
    lID INTEGER PRIMARY KEY AUTOINCREMENT,
    sName TEXT COLLATE NOCASE,
    sComment TEXT COLLATE NOCASE,
    lGenreID INTEGER DEFAULT 255,
    sPublishTime TEXT COLLATE NOCASE,
    sFileName TEXT COLLATE BINARY,
    lDirectoryID INTEGER,
    lLength INTEGER DEFAULT 0,
    sImportTime TEXT COLLATE NOCASE,
    lMediaType INTEGER DEFAULT 0,
    fSize REAL DEFAULT 0
);

CREATE TABLE tblItem (
    lID INTEGER PRIMARY KEY AUTOINCREMENT,
    lMediaID INTEGER,
    lGroupID INTEGER,
    lPackageID INTEGER,
    lFolderID INTEGER DEFAULT 0
);

CREATE TABLE tblGroup (lID INTEGER PRIMARY KEY AUTOINCREMENT, sName TEXT COLLATE NOCASE);
CREATE TABLE tblPackage (lID INTEGER PRIMARY KEY AUTOINCREMENT, sName TEXT COLLATE NOCASE);
CREATE TABLE tblFolder (lID INTEGER PRIMARY KEY AUTOINCREMENT, sName TEXT COLLATE NOCASE);
CREATE TABLE tblGenre (lID INTEGER PRIMARY KEY, sName TEXT COLLATE NOCASE);

CREATE TABLE tblDirectory (
    lID INTEGER PRIMARY KEY AUTOINCREMENT,
    sLocal TEXT COLLATE BINARY,
    sUNC TEXT COLLATE BINARY,
    sURL TEXT COLLATE BINARY
);

CREATE TABLE tblOptional (
    lTableID INTEGER,
    lOptionalTypeID INTEGER,
    sValue TEXT COLLATE NOCASE,
    lValue INTEGER,
    fValue REAL
);

CREATE TABLE tblOptionalType (
    lID INTEGER PRIMARY KEY,
    sName TEXT COLLATE NOCASE,
    lValueType INTEGER,
    lTableType INTEGER
);

CREATE TABLE tblDBInfo (sID TEXT COLLATE NOCASE PRIMARY KEY, sValue TEXT COLLATE NOCASE);

-- Lookups made per imported file, per listing and per tree level.
CREATE INDEX idxMediaFile ON tblMedia (sFileName, lDirectoryID);
CREATE INDEX idxMediaName ON tblMedia (sName);
CREATE INDEX idxMediaGenre ON tblMedia (lGenreID);
CREATE INDEX idxMediaDirectory ON tblMedia (lDirectoryID);
CREATE INDEX idxItemMedia ON tblItem (lMediaID);
CREATE INDEX idxItemGroup ON tblItem (lGroupID);
CREATE INDEX idxItemPackage ON tblItem (lPackageID);
-- Group names are unique (every writer finds a group by name before it makes one); saying so
-- lets the engine start the album lookup of an import from the one group row.
CREATE UNIQUE INDEX idxGroupName ON tblGroup (sName);
CREATE INDEX idxPackageName ON tblPackage (sName);
CREATE INDEX idxDirectoryLocal ON tblDirectory (sLocal);
CREATE UNIQUE INDEX idxOptionalOwner ON tblOptional (lTableID, lOptionalTypeID);
CREATE INDEX idxOptionalText ON tblOptional (lOptionalTypeID, sValue);
CREATE INDEX idxOptionalNumber ON tblOptional (lOptionalTypeID, fValue);

-- The three duplicate queries, used in conditions like tables.
CREATE VIEW tblMediaDuplicates AS
    SELECT sName FROM tblMedia GROUP BY sName HAVING COUNT(*) > 1;
CREATE VIEW tblMediaDuplicatesSize AS
    SELECT fValue FROM tblOptional WHERE lOptionalTypeID = 4118
    GROUP BY fValue HAVING COUNT(*) > 1;
CREATE VIEW tblMediaDuplicatesTRM AS
    SELECT sValue FROM tblOptional WHERE lOptionalTypeID = 4095 AND sValue IS NOT NULL
    GROUP BY sValue HAVING COUNT(*) > 1;
