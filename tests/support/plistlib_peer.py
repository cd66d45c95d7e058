#!/usr/bin/env python3
"""A peer nobody in this project wrote: Python's plistlib reading and writing stores.

read-store PATH   prints the records of a store as JSON lines, decoding each archive by hand
write-store PATH  writes a store in Apple's layout with the shapes real archivers produce
"""
import base64
import json
import plistlib
import sys

FIELDS = ["FILENAME", "ARTIST", "EXTENSION", "imgData", "KEY", "urlLink"]


def decode_archive(blob):
    top = plistlib.loads(blob)
    assert top["$archiver"] == "NSKeyedArchiver", top["$archiver"]
    assert top["$version"] == 100000
    objects = top["$objects"]
    root = objects[top["$top"]["root"].data]
    cls = objects[root["$class"].data]
    assert cls["$classname"] == "MovieInfo", cls
    record = {}
    for field in FIELDS:
        ref = root.get(field)
        if ref is None or ref.data == 0:
            record[field] = None
            continue
        value = objects[ref.data]
        if isinstance(value, bytes):
            value = base64.b64encode(value).decode()
        record[field] = value
    return {"layout": describe_layout(top), "record": record}


def describe_layout(top):
    objects = top["$objects"]
    kinds = []
    for o in objects:
        if isinstance(o, dict) and "$classname" in o:
            kinds.append("class:" + o["$classname"] + ":" + ",".join(o.get("$classes", [])))
        elif isinstance(o, dict):
            kinds.append("object")
        elif isinstance(o, bytes):
            kinds.append("data")
        else:
            kinds.append("string:" + o if o == "$null" else "string")
    return {"objects": kinds, "top": {k: v.data for k, v in top["$top"].items()}}


def read_store(path):
    with open(path, "rb") as f:
        head = f.read(8)
    with open(path, "rb") as f:
        store = plistlib.load(f)
    print(json.dumps({"format": "binary" if head == b"bplist00" else "xml", "keys": list(store.keys())}))
    for key in sorted(store):
        for item in store[key]:
            out = decode_archive(item)
            out["key"] = key
            print(json.dumps(out))


def uid(n):
    return plistlib.UID(n)


def archive(objects, root=1):
    return plistlib.dumps({"$archiver": "NSKeyedArchiver", "$version": 100000,
                           "$top": {"root": uid(root)}, "$objects": objects}, fmt=plistlib.FMT_BINARY)


def write_store(path):
    png = bytes.fromhex("89504e470d0a1a0a") + b"not really a picture"
    # Plain layout, as Apple's archiver writes a MovieInfo.
    plain = archive(["$null",
                     {"$class": uid(8), "FILENAME": uid(2), "ARTIST": uid(3), "EXTENSION": uid(4),
                      "imgData": uid(5), "KEY": uid(6), "urlLink": uid(7)},
                     "Alpha", "Band", "mp4", png, "kKV20240101000000", "",
                     {"$classname": "MovieInfo", "$classes": ["MovieInfo", "NSObject"]}])
    # Objects shuffled, one string shared by two fields, an unreferenced object, mutable
    # wrappers, class dictionary with $classname only.
    wrapped = archive(["$null",
                       {"$classname": "MovieInfo"},
                       {"$class": uid(3), "NS.string": "Beta"},
                       {"$classname": "NSMutableString", "$classes": ["NSMutableString", "NSString", "NSObject"]},
                       "unreferenced",
                       {"$class": uid(6), "NS.data": png},
                       {"$classname": "NSMutableData", "$classes": ["NSMutableData", "NSData", "NSObject"]},
                       "same",
                       {"$class": uid(1), "FILENAME": uid(2), "ARTIST": uid(7), "EXTENSION": uid(9),
                        "imgData": uid(5), "KEY": uid(7), "urlLink": uid(0)},
                       "MOV"], root=8)
    # Class hints, a UTF-16 title, a URL record.
    hinted = archive(["$null",
                      {"$class": uid(5), "FILENAME": uid(2), "ARTIST": uid(0), "EXTENSION": uid(3),
                       "KEY": uid(4), "urlLink": uid(6)},
                      "Gamma \u00e9t\u00e9 \u2603", "mp4", "kKV20240103000000",
                      {"$classname": "MovieInfo", "$classes": ["MovieInfo", "NSObject"], "$classhints": ["MovieInfo"]},
                      "https://example.com/live.m3u8"])
    second = archive(["$null",
                      {"$class": uid(3), "FILENAME": uid(2)},
                      "Delta",
                      {"$classname": "MovieInfo", "$classes": ["MovieInfo", "NSObject"]}])
    store = {
        "kKV20240103000000": [hinted],
        "kKV20240101000000": [plain],
        "kKV20240102000000": [wrapped, second],
        "kKV20240104000000": "not an array",
        "kKV20240105000000": [b"not an archive"],
    }
    with open(path, "wb") as f:
        plistlib.dump(store, f, fmt=plistlib.FMT_XML)


if __name__ == "__main__":
    {"read-store": read_store, "write-store": write_store}[sys.argv[1]](sys.argv[2])
