#!/usr/bin/env python3
"""Writes small seed inputs for each fuzz target into OUT/<target>/.

The seeds follow each target's input layout (see the targets' sources):
a few leading bytes that pick options, then the text or frames the parser
reads. They only give the fuzzers a start; nothing here is kept in the tree.
Usage: make_seeds.py OUT
"""
import os
import struct
import sys


def crc16(data):
    crc = 0xFFFF
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def with_crc(data):
    return bytes(data) + struct.pack('<H', crc16(data))


def circle(x, y, r, mirrored=False):
    s = ('  0\r\nCIRCLE\r\n  5\r\n2A\r\n330\r\n1F\r\n100\r\nAcDbEntity\r\n  8\r\n0\r\n'
         '100\r\nAcDbCircle\r\n 10\r\n%s\r\n 20\r\n%s\r\n 30\r\n0.0\r\n 40\r\n%s\r\n' % (x, y, r))
    if mirrored:
        s += '210\r\n0.0\r\n220\r\n0.0\r\n230\r\n-1.0\r\n'
    return s


def drawing(circles, ucs=('1.5', '-2.0')):
    head = ('  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\nAC1015\r\n'
            '  9\r\n$UCSORG\r\n 10\r\n%s\r\n 20\r\n%s\r\n 30\r\n0.0\r\n  0\r\nENDSEC\r\n' % ucs)
    body = '  0\r\nSECTION\r\n  2\r\nENTITIES\r\n' + ''.join(circles) + '  0\r\nENDSEC\r\n  0\r\nEOF\r\n'
    return (head + body).encode('ascii')


def seeds():
    grid = [circle('%.3f' % (x * 2.5), '%.3f' % (y * 0.7), '0.25') for y in range(3) for x in range(4)]
    mixed = [circle('10', '10', '0.5'), circle('10', '10', '0.5'), circle('10.0004', '10', '0.3'),
             circle('-3.25', '4.75', '1.0', mirrored=True), circle('1e3', '0', '0.5'),
             circle('5', '-0.5', '19.5'), circle('abc', '1', '0.5')]
    dxf_a = drawing(grid)
    dxf_b = drawing(mixed, ('0', '0'))
    # Diameter pickers: 0 -> "0.05", 4 -> "39" (a range the NC loader accepts).
    yield 'fuzz_dxf', 'grid', b'\x00\x04' + dxf_a
    yield 'fuzz_dxf', 'mixed', b'\x00\x04' + dxf_b
    # The full reader: blocks placed by inserts (scaled, turned, an array,
    # nested), the older layout, a mirrored circle, paper space, an arc.
    def pairs(*items):
        return ''.join('%3d\n%s\n' % (code, value) for code, value in items)
    blocks = (pairs((0, 'SECTION'), (2, 'BLOCKS'), (0, 'BLOCK'), (2, 'PIN'), (10, '1'), (20, '2'))
              + pairs((0, 'CIRCLE'), (10, '1'), (20, '2'), (40, '0.3'), (0, 'CIRCLE'), (10, '3'), (20, '2'), (40, '0.1'))
              + pairs((0, 'ENDBLK'), (0, 'BLOCK'), (2, 'Pair'), (10, '0'), (20, '0'), (0, 'INSERT'), (2, 'pin'),
                      (10, '0'), (20, '0'), (0, 'INSERT'), (2, 'PIN'), (10, '10'), (20, '0'), (50, '90'))
              + pairs((0, 'ENDBLK'), (0, 'ENDSEC')))
    entities = (pairs((0, 'SECTION'), (2, 'ENTITIES'), (0, 'INSERT'), (2, 'PIN'), (10, '5'), (20, '5'), (41, '1.5'),
                      (42, '1.5'), (50, '30'), (0, 'INSERT'), (2, 'PAIR'), (10, '0'), (20, '0'), (70, '3'), (71, '2'),
                      (44, '20'), (45, '7.5'), (210, '0'), (220, '0'), (230, '-1'))
                + pairs((0, 'CIRCLE'), (8, '0'), (40, '0.5'), (10, '-2'), (20, '4'), (0, 'CIRCLE'), (10, '9'),
                        (20, '9'), (40, '1'), (67, '1'), (0, 'ARC'), (10, '1'), (20, '1'), (40, '2'), (50, '0'),
                        (51, '90'), (0, 'ENDSEC'), (0, 'EOF')))
    header = pairs((0, 'SECTION'), (2, 'HEADER'), (9, '$UCSORG'), (10, '1.5'), (20, '-2'), (30, '0'), (0, 'ENDSEC'))
    yield 'fuzz_dxf_full', 'blocks', (header + blocks + entities).encode('ascii')
    yield 'fuzz_dxf_full', 'markers', dxf_b
    # Both readers and the check in windows: window size - 1, flags (1: the
    # full reader, 2: convert by the unit), the drawing.
    inches = pairs((0, 'SECTION'), (2, 'HEADER'), (9, '$UCSORG'), (10, '1.5'), (20, '-2'), (30, '0'),
                   (9, '$INSUNITS'), (70, '1'), (0, 'ENDSEC'))
    yield 'fuzz_dxf_windows', 'grid', b'\x06\x00' + dxf_a
    yield 'fuzz_dxf_windows', 'mixed', b'\x00\x02' + dxf_b
    yield 'fuzz_dxf_windows', 'blocks', b'\x3f\x03' + (inches + blocks + entities).encode('ascii')
    yield 'fuzz_word_scanner', 'header', b'\x00\x00\x55' + dxf_a
    yield 'fuzz_word_scanner', 'entities', b'\x02\xb3\xff' + dxf_b

    nc_head = ('*' * 60 + '\r\nSTART\r\n')
    nc = nc_head + 'N1  X-500  Y30   R250\r\nN2  X0  Y0   R1000\r\nN3  X12  Y-7   R11\r\nSTOP'
    yield 'fuzz_nc_job', 'program', b'\x00' + nc.encode('ascii')
    yield 'fuzz_nc_job', 'full', b'\xff' + b'N2 X5 Y5 R100\r\nN3 X6 Y6 R100\r\nN4 X7 Y7 R100\r\nSTOP'
    b3 = ('N 1 B 10 B 20 B 0 GX L1 B 1 B 0 N 2 B 1 B 2 B 0 GX L3 B 0 B 2 '
          'N 3 B 5 B 5 B 0 GX L4 B 3 B 4 N 4 B 1 B 1 B 0 GX L2 B 30 B 40 DD')
    yield 'fuzz_3b_job', 'program', b'\x00' + b3.encode('ascii')
    yield 'fuzz_3b_job', 'full', b'\xff' + b'2 B 1 B 0 B 0 GX L1 B 1 B 0 3 B 1 B 0 B 0 GX L1 B 1 B 0 DD'

    ini = (b'; console settings\r\n[COMM]\r\nPort=3\r\nBaud = 57600\r\n\r\n'
           b'[Job]\r\nLast="/home/op/a.NC"\r\nHole=12\r\n')

    def piece(b):
        return bytes([len(b)]) + b
    yield 'fuzz_profile', 'replace', b'\x01' + piece(b'comm') + piece(b'Port') + piece(b'5') + \
        piece(b'Job') + piece(b'Hole') + ini
    yield 'fuzz_profile', 'new_section', b'\x00' + piece(b'View') + piece(b'Zoom') + piece(b' "2" ') + \
        piece(b'COMM') + piece(b'baud') + ini
    yield 'fuzz_profile', 'new_key', b'\x01' + piece(b'Job') + piece(b'Row') + piece(b'7') + \
        piece(b'Job') + piece(b'Last') + ini

    # Modbus master: pick, [slave], count, start, pieces (at/2, len, bytes).
    read_answer = bytes([1, 3, 4, 0, 1, 0, 2])
    yield 'fuzz_modbus_master', 'read', bytes([0x20, 0, 1, 0, 0, 1, 0]) + piece(read_answer)
    yield 'fuzz_modbus_master', 'read_split', bytes([0x00, 0, 1, 0, 0, 2, 0]) + piece(read_answer[:3]) + \
        bytes([5]) + piece(with_crc(read_answer)[3:])
    yield 'fuzz_modbus_master', 'exception', bytes([0x02, 0, 1, 0, 41, 1, 3]) + piece(with_crc([1, 0x90, 3]))
    echo = bytes([1, 16, 0, 20, 0, 2])
    yield 'fuzz_modbus_master', 'write', bytes([0x22, 0, 1, 0, 20, 1, 2]) + piece(echo) + bytes(4) + \
        bytes([0x21, 0, 1, 0, 0, 1, 1]) + piece(bytes([1, 4, 2, 0x12, 0x34]))

    # Simulated slave: setup, then ops (0 raw bytes, 1 bytes + CRC, 2 pause, 3 time).
    ops = b'\x00'
    for frame in ([1, 3, 0, 0, 0, 10], [1, 16, 0, 20, 0, 6, 12, 0, 0, 3, 0xE8, 0, 0, 0, 0, 0, 0, 0, 0],
                  [1, 6, 0, 41, 0, 40], [1, 6, 0, 41, 0, 1], [0, 6, 0, 62, 0, 3], [1, 3, 0, 0, 0, 2]):
        ops += b'\x01' + piece(bytes(frame)) + b'\x03\x0c'
    ops += b'\x00' + piece(with_crc([1, 3, 0, 0])) + b'\x02'
    yield 'fuzz_sim_slave', 'session', ops

    # A job record: two runs, a pause, a skip, a hole drilled again, a cut line.
    record = ('time,hole,x_mm,y_mm,drill_s,z_start_mm,z_end_mm,event,reason\r\n'
              '2026-12-09T08:00:10+08:00,1,0.000,0.000,3.0,0.000,-1.000,drilled,\r\n'
              '2026-12-09T08:00:15+08:00,2,1.000,0.000,,,,paused,lost-link\r\n'
              '2026-12-09T08:01:15+08:00,2,1.000,0.000,,,,skipped,\r\n'
              '2026-12-09T08:01:20+08:00,1,0.000,0.000,2.5,-1.000,-1.200,drilled,\r\n'
              '2026-12-09T08:01:21+08:00,0,,,,,,job-end,\r\n'
              '2026-12-09T09:00:10Z,1,5.000,0.000,3.1,0.000,-1.000,drilled,\r\n'
              '2026-12-09T09:00:1')
    yield 'fuzz_record', 'runs', b'\x00' + record.encode()


def main():
    out = sys.argv[1]
    for target, name, data in seeds():
        os.makedirs(os.path.join(out, target), exist_ok=True)
        with open(os.path.join(out, target, 'seed_' + name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
