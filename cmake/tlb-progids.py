#!/usr/bin/env python3
"""Writes each coclass's progid("...") attribute of an IDL file into a binary type library
(MSFT format, as widl writes it) as the coclass's custom data under a given GUID. widl
accepts progid() but keeps it out of the type library, and refuses custom() on a coclass.

usage: tlb-progids.py IDL TLB_IN TLB_OUT GUID
"""
import re
import struct
import sys
import uuid

HEADER_INTS = 21
HELPDLLFLAG = 0x100
SEGMENTS = 15
SEG_TYPEINFO, SEG_GUIDHASH, SEG_GUID, SEG_CUSTDATA, SEG_CDGUIDS = 0, 4, 5, 11, 12
# The order in which widl lays the segments out in the file.
FILE_ORDER = [0, 4, 5, 3, 1, 2, 6, 7, 8, 9, 10, 11, 12, 13, 14]
TYPEINFO_SIZE = 0x64
TKIND_COCLASS = 5


def progids_from_idl(text):
    """Maps coclass name to progid."""
    out = {}
    for m in re.finditer(r'\[([^\[\]]*?)\]\s*coclass\s+(\w+)', text, re.S):
        p = re.search(r'progid\s*\(\s*"([^"]+)"\s*\)', m.group(1))
        if p:
            out[m.group(2)] = p.group(1)
    return out


def guid_hash(guid_bytes):
    h = 0
    for (v,) in struct.iter_unpack('<h', guid_bytes):
        h ^= v
    return h & 0x1f


def main(idl, tlb_in, tlb_out, guid_text):
    progids = progids_from_idl(open(idl, encoding='utf-8').read())
    data = bytearray(open(tlb_in, 'rb').read())
    header = list(struct.unpack_from('<%di' % HEADER_INTS, data, 0))
    if header[0] != 0x5446534D:
        sys.exit('not an MSFT type library: ' + tlb_in)
    ntypeinfos = header[8]
    pos = HEADER_INTS * 4 + (4 if header[5] & HELPDLLFLAG else 0)
    typeinfo_offsets_pos = pos
    segdir_pos = pos + ntypeinfos * 4
    segdir = [list(struct.unpack_from('<4i', data, segdir_pos + 16 * i)) for i in range(SEGMENTS)]
    segs = {i: bytearray(data[s[0]:s[0] + s[1]]) if s[0] >= 0 else bytearray() for i, s in enumerate(segdir)}
    data_start = max(s[0] + s[1] for s in segdir if s[0] >= 0)
    member_data = data[data_start:]

    # Names: the name table entry is a 12-byte header, then the name (length in the low byte).
    def name_at(offset):
        seg = segs[7]
        length = seg[offset + 8]
        return seg[offset + 12:offset + 12 + length].decode('latin-1')

    # The GUID under which the progids are stored, added to the GUID table and its hash.
    g = uuid.UUID(guid_text).bytes_le
    guid_offset = len(segs[SEG_GUID])
    hashtab = segs[SEG_GUIDHASH]
    h = guid_hash(g)
    (old_head,) = struct.unpack_from('<i', hashtab, h * 4)
    segs[SEG_GUID] += g + struct.pack('<ii', -1, old_head)
    struct.pack_into('<i', hashtab, h * 4, guid_offset)

    done = set()
    tinfo = segs[SEG_TYPEINFO]
    for i in range(ntypeinfos):
        base = struct.unpack_from('<i', data, typeinfo_offsets_pos + 4 * i)[0]
        kind = struct.unpack_from('<i', tinfo, base)[0] & 0xF
        if kind != TKIND_COCLASS:
            continue
        name = name_at(struct.unpack_from('<i', tinfo, base + 0x34)[0])
        if name not in progids:
            continue
        text = progids[name].encode('ascii')
        value = struct.pack('<HI', 8, len(text)) + text  # VT_BSTR, byte length, bytes
        value += b'W' * (-len(value) % 4)
        value_offset = len(segs[SEG_CUSTDATA])
        segs[SEG_CUSTDATA] += value
        (first,) = struct.unpack_from('<i', tinfo, base + 0x48)
        cd_offset = len(segs[SEG_CDGUIDS])
        segs[SEG_CDGUIDS] += struct.pack('<iii', guid_offset, value_offset, first)
        struct.pack_into('<i', tinfo, base + 0x48, cd_offset)
        done.add(name)
    missing = set(progids) - done
    if missing:
        sys.exit('coclasses not found in the type library: ' + ', '.join(sorted(missing)))

    # Lay the segments out again, in widl's order, and move the member data behind them.
    filepos = segdir_pos + 16 * SEGMENTS
    for i in FILE_ORDER:
        if segs[i]:
            segdir[i][0], segdir[i][1] = filepos, len(segs[i])
            filepos += len(segs[i])
        else:
            segdir[i][0], segdir[i][1] = -1, 0
    delta = filepos - data_start
    for i in range(ntypeinfos):
        base = struct.unpack_from('<i', data, typeinfo_offsets_pos + 4 * i)[0]
        (memoffset,) = struct.unpack_from('<i', tinfo, base + 4)
        if memoffset >= data_start:
            struct.pack_into('<i', tinfo, base + 4, memoffset + delta)

    out = bytearray(data[:segdir_pos])
    for s in segdir:
        out += struct.pack('<4i', *s)
    for i in FILE_ORDER:
        out += segs[i]
    out += member_data
    open(tlb_out, 'wb').write(out)


if __name__ == '__main__':
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    main(*sys.argv[1:])
