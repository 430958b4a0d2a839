#!/usr/bin/python3
"""Reads and prepares the tags of an audio file with mutagen, a reader that is not the program's.

  mutagen_tags.py read FILE      prints the catalogue's fields and the kept ones as JSON
  mutagen_tags.py prepare FILE   adds album artist, ReplayGain, a MusicBrainz id, a track number
                                 with total and a front cover
  mutagen_tags.py back FILE      adds a JPEG back cover (MP4, whose pictures have no kinds: a
                                 second picture)
  mutagen_tags.py pictures FILE  prints the pictures in the tag's order, one a line:
                                 "KIND MIME LENGTH TAIL"
                                 (TAIL: the last 6 bytes in hex) (KIND "-" where the format has none)
"""
import base64
import json
import struct
import sys

from mutagen.apev2 import APEv2, APEValue, BINARY
from mutagen.asf import ASF, ASFByteArrayAttribute
from mutagen.flac import FLAC, Picture
from mutagen.id3 import APIC, ID3, TPE2, TRCK, TXXX, UFID
from mutagen.mp4 import MP4, MP4Cover, MP4FreeForm
from mutagen.oggopus import OggOpus
from mutagen.oggvorbis import OggVorbis
from mutagen.wave import WAVE
from mutagen.aiff import AIFF
from mutagen.wavpack import WavPack

COVER = b"\x89PNG\r\n\x1a\n" + bytes(range(256)) * 300
MBID = "8f3471b5-7e6a-48da-86a9-c1c07a0f47ae"
GAIN = "-6.50 dB"


def picture():
    pic = Picture()
    pic.type = 3
    pic.mime = "image/png"
    pic.data = COVER
    return pic


def first(values):
    """The first value as text; an empty text is no value."""
    if isinstance(values, (list, tuple)):
        values = values[0] if values else None
    return str(values) if values is not None and str(values) != "" else None


def riff_info(path):
    """The RIFF INFO list of a WAV file, by chunk id."""
    info = {}
    with open(path, "rb") as f:
        data = f.read()
    at = 12
    while at + 8 <= len(data):
        cid, size = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
        body = data[at + 8:at + 8 + size]
        if cid == b"LIST" and body[:4] == b"INFO":
            sub = 4
            while sub + 8 <= len(body):
                sid, ssize = body[sub:sub + 4], struct.unpack("<I", body[sub + 4:sub + 8])[0]
                info[sid.decode("latin-1")] = body[sub + 8:sub + 8 + ssize].rstrip(b"\0").decode("utf-8", "replace")
                sub += 8 + ssize + (ssize & 1)
        at += 8 + size + (size & 1)
    return info


def open_file(path):
    """The file as the kind its content is, whatever its name says."""
    for kind in (FLAC, OggOpus, OggVorbis, MP4, WAVE, AIFF, WavPack, ASF):
        try:
            return kind(path)
        except Exception:
            continue
    return None


def read(path):
    f = open_file(path)
    fields, kept = {}, {}
    if isinstance(f, (FLAC, OggVorbis, OggOpus)):
        t = f.tags or {}
        get = lambda k: first(t.get(k))
        fields = dict(title=get("title"), artist=get("artist"), album=get("album"),
                      date=get("date"), genre=get("genre"), comment=get("comment"))
        kept = dict(albumartist=get("albumartist"), replaygain=get("replaygain_track_gain"),
                    musicbrainz=get("musicbrainz_trackid"), track=get("tracknumber"),
                    tracktotal=get("tracktotal"))
        pics = len(f.pictures) if isinstance(f, FLAC) else len(t.get("metadata_block_picture", []))
        kept["pictures"] = pics
    elif isinstance(f, MP4):
        t = f.tags or {}
        get = lambda k: first(t.get(k))
        fields = dict(title=get("\xa9nam"), artist=get("\xa9ART"), album=get("\xa9alb"),
                      date=get("\xa9day"), genre=get("\xa9gen"), comment=get("\xa9cmt"))
        rg = t.get("----:com.apple.iTunes:replaygain_track_gain")
        mb = t.get("----:com.apple.iTunes:MusicBrainz Track Id")
        trkn = t.get("trkn")
        kept = dict(albumartist=get("aART"), replaygain=bytes(rg[0]).decode() if rg else None,
                    musicbrainz=bytes(mb[0]).decode() if mb else None,
                    track="%d/%d" % trkn[0] if trkn else None,
                    pictures=len(t.get("covr", [])))
    elif isinstance(f, (WAVE, AIFF)):
        t = f.tags or {}
        get = lambda k: first(t[k].text) if k in t else None
        comments = [c for c in t.getall("COMM")] if t else []
        fields = dict(title=get("TIT2"), artist=get("TPE1"), album=get("TALB"),
                      date=get("TDRC"), genre=first(t["TCON"].genres) if "TCON" in t else None,
                      comment=str(comments[0].text[0]) if comments else None)
        rg = [x for x in t.getall("TXXX") if x.desc.lower() == "replaygain_track_gain"] if t else []
        mb = [x for x in t.getall("UFID") if x.owner == "http://musicbrainz.org"] if t else []
        kept = dict(albumartist=get("TPE2"), replaygain=str(rg[0].text[0]) if rg else None,
                    musicbrainz=mb[0].data.decode() if mb else None, track=get("TRCK"),
                    pictures=len(t.getall("APIC")) if t else 0)
        if isinstance(f, WAVE):
            info = riff_info(path)
            fields["info"] = dict(title=info.get("INAM"), artist=info.get("IART"),
                                  album=info.get("IPRD"), date=info.get("ICRD"),
                                  genre=info.get("IGNR"), comment=info.get("ICMT"))
    elif isinstance(f, WavPack) or path.lower().endswith(".ape"):
        try:
            t = APEv2(path)
        except Exception:
            t = {}
        get = lambda k: str(t[k]) if k in t else None
        fields = dict(title=get("Title"), artist=get("Artist"), album=get("Album"),
                      date=get("Year"), genre=get("Genre"), comment=get("Comment"))
        kept = dict(albumartist=get("Album Artist"), replaygain=get("REPLAYGAIN_TRACK_GAIN"),
                    musicbrainz=get("MUSICBRAINZ_TRACKID"), track=get("Track"),
                    pictures=1 if "Cover Art (Front)" in t else 0)
    elif isinstance(f, ASF):
        t = f.tags or {}
        get = lambda k: first(t.get(k))
        fields = dict(title=get("Title"), artist=get("Author"), album=get("WM/AlbumTitle"),
                      date=get("WM/Year"), genre=get("WM/Genre"), comment=get("Description"))
        kept = dict(albumartist=get("WM/AlbumArtist"), replaygain=get("REPLAYGAIN_TRACK_GAIN"),
                    musicbrainz=get("MusicBrainz/Track Id"), track=get("WM/TrackNumber"),
                    pictures=len(t.get("WM/Picture", [])))
    else:
        raise SystemExit("not a file mutagen knows")
    print(json.dumps(dict(fields=fields, kept=kept)))


def prepare(path):
    f = open_file(path)
    if isinstance(f, FLAC):
        f["albumartist"], f["replaygain_track_gain"] = "Album Artist", GAIN
        f["musicbrainz_trackid"], f["tracknumber"], f["tracktotal"] = MBID, "3", "12"
        f.add_picture(picture())
    elif isinstance(f, (OggVorbis, OggOpus)):
        f["albumartist"], f["replaygain_track_gain"] = "Album Artist", GAIN
        f["musicbrainz_trackid"], f["tracknumber"], f["tracktotal"] = MBID, "3", "12"
        f["metadata_block_picture"] = [base64.b64encode(picture().write()).decode()]
    elif isinstance(f, MP4):
        if f.tags is None:
            f.add_tags()
        f["aART"] = ["Album Artist"]
        f["----:com.apple.iTunes:replaygain_track_gain"] = [MP4FreeForm(GAIN.encode())]
        f["----:com.apple.iTunes:MusicBrainz Track Id"] = [MP4FreeForm(MBID.encode())]
        f["trkn"] = [(3, 12)]
        f["covr"] = [MP4Cover(COVER, imageformat=MP4Cover.FORMAT_PNG)]
    elif isinstance(f, (WAVE, AIFF)):
        if f.tags is None:
            f.add_tags()
        f.tags.add(TPE2(encoding=3, text="Album Artist"))
        f.tags.add(TXXX(encoding=3, desc="REPLAYGAIN_TRACK_GAIN", text=GAIN))
        f.tags.add(UFID(owner="http://musicbrainz.org", data=MBID.encode()))
        f.tags.add(TRCK(encoding=3, text="3/12"))
        f.tags.add(APIC(encoding=3, mime="image/png", type=3, desc="", data=COVER))
    elif isinstance(f, WavPack):
        t = f.tags if f.tags is not None else APEv2()
        t["Album Artist"], t["REPLAYGAIN_TRACK_GAIN"] = "Album Artist", GAIN
        t["MUSICBRAINZ_TRACKID"], t["Track"] = MBID, "3/12"
        t["Cover Art (Front)"] = APEValue(b"cover.png\0" + COVER, BINARY)
        t.save(path)
        return
    elif isinstance(f, ASF):
        f["WM/AlbumArtist"], f["REPLAYGAIN_TRACK_GAIN"] = "Album Artist", GAIN
        f["MusicBrainz/Track Id"], f["WM/TrackNumber"] = MBID, "3"
        pic = b"\x03" + struct.pack("<I", len(COVER)) + "image/png\0".encode("utf-16-le") \
            + "\0".encode("utf-16-le") + COVER
        f["WM/Picture"] = [ASFByteArrayAttribute(pic)]
    else:
        raise SystemExit("not a file mutagen knows")
    f.save()


BACK = b"\xff\xd8\xff\xe0" + bytes(range(255, -1, -1)) * 40


def back(path):
    f = open_file(path)
    if isinstance(f, FLAC):
        pic = picture()
        pic.type, pic.mime, pic.data = 4, "image/jpeg", BACK
        f.add_picture(pic)
    elif isinstance(f, (OggVorbis, OggOpus)):
        pic = picture()
        pic.type, pic.mime, pic.data = 4, "image/jpeg", BACK
        f["metadata_block_picture"] = f.get("metadata_block_picture", []) + \
            [base64.b64encode(pic.write()).decode()]
    elif isinstance(f, MP4):
        f["covr"] = list(f.tags.get("covr", [])) + [MP4Cover(BACK, imageformat=MP4Cover.FORMAT_JPEG)]
    elif isinstance(f, (WAVE, AIFF)):
        f.tags.add(APIC(encoding=3, mime="image/jpeg", type=4, desc="back", data=BACK))
    elif isinstance(f, WavPack):
        try:
            t = APEv2(path)
        except Exception:
            t = APEv2()
        t["Cover Art (Back)"] = APEValue(b"back.jpg\0" + BACK, BINARY)
        t.save(path)
        return
    elif isinstance(f, ASF):
        pic = b"\x04" + struct.pack("<I", len(BACK)) + "image/jpeg\0".encode("utf-16-le") \
            + "\0".encode("utf-16-le") + BACK
        f["WM/Picture"] = list(f.tags.get("WM/Picture", [])) + [ASFByteArrayAttribute(pic)]
    else:
        raise SystemExit("not a file mutagen knows")
    f.save()


def pictures(path):
    f = open_file(path)
    found = []
    if isinstance(f, FLAC):
        found = [(p.type, p.mime, p.data) for p in f.pictures]
    elif isinstance(f, (OggVorbis, OggOpus)):
        for value in (f.tags or {}).get("metadata_block_picture", []):
            p = Picture(base64.b64decode(value))
            found.append((p.type, p.mime, p.data))
    elif isinstance(f, MP4):
        kinds = {MP4Cover.FORMAT_JPEG: "image/jpeg", MP4Cover.FORMAT_PNG: "image/png"}
        found = [("-", kinds.get(c.imageformat, "?"), bytes(c)) for c in (f.tags or {}).get("covr", [])]
    elif isinstance(f, (WAVE, AIFF)):
        found = [(p.type, p.mime, p.data) for p in f.tags.getall("APIC")] if f.tags else []
    elif isinstance(f, WavPack):
        try:
            t = APEv2(path)
        except Exception:
            t = {}
        kinds = {"cover art (front)": 3, "cover art (back)": 4}
        for key in t.keys():
            if key.lower().startswith("cover art ("):
                name, _, data = bytes(t[key].value).partition(b"\0")
                found.append((kinds.get(key.lower(), 0), name.decode(), data))
    elif isinstance(f, ASF):
        for attribute in (f.tags or {}).get("WM/Picture", []):
            raw = bytes(attribute.value)
            kind, size = struct.unpack("<bI", raw[:5])
            mime_end = raw.index(b"\0\0", 5)
            while (mime_end - 5) % 2:
                mime_end = raw.index(b"\0\0", mime_end + 1)
            mime = raw[5:mime_end].decode("utf-16-le")
            found.append((kind, mime, raw[-size:]))
    for kind, mime, data in found:
        print(kind if kind == "-" else int(kind), mime, len(data), data[-6:].hex())


if __name__ == "__main__":
    {"read": read, "prepare": prepare, "back": back, "pictures": pictures}[sys.argv[1]](sys.argv[2])
