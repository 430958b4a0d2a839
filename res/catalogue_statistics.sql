-- Planner statistics for a large catalogue (about a million items), fixed in the template so
-- that every catalogue, small or large, is queried with the plans that hold up at that size:
-- item listings walk the groups in name order and return their first rows at once, duplicate
-- searches start from the few duplicated values, and a genre is taken to hold many items (a
-- collection often has a handful of large genres), so whole-catalogue statements do not go
-- through the genre index.

ANALYZE;
DELETE FROM sqlite_stat1;
INSERT INTO sqlite_stat1 (tbl, idx, stat) VALUES
    ('tblItem', 'idxItemMedia', '1000000 1'),
    ('tblItem', 'idxItemGroup', '1000000 25'),
    ('tblItem', 'idxItemPackage', '1000000 12'),
    ('tblMedia', 'idxMediaFile', '1000000 1 1'),
    ('tblMedia', 'idxMediaName', '1000000 1'),
    ('tblMedia', 'idxMediaGenre', '1000000 100000'),
    ('tblMedia', 'idxMediaDirectory', '1000000 12'),
    ('tblGroup', 'idxGroupName', '40000 1'),
    ('tblPackage', 'idxPackageName', '80000 1'),
    ('tblDirectory', 'idxDirectoryLocal', '80000 1'),
    ('tblOptional', 'idxOptionalOwner', '3400000 4 1'),
    ('tblOptional', 'idxOptionalText', '3400000 700000 2'),
    ('tblOptional', 'idxOptionalNumber', '3400000 700000 2'),
    ('tblGenre', NULL, '127'),
    ('tblFolder', NULL, '10'),
    ('tblOptionalType', NULL, '7'),
    ('tblDBInfo', 'sqlite_autoindex_tblDBInfo_1', '1 1');
