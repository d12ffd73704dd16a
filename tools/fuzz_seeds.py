#!/usr/bin/env python3
"""Seeds for the glTF loader's fuzz target: each model under MODELS as one self-contained
.gltf, its external buffers folded in as base64 data URIs (the fuzz target reads no files), and
as a binary .glb. Usage: fuzz_seeds.py MODELS OUT"""
import base64
import json
import os
import struct
import sys


def main():
    models, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    for folder, _, files in os.walk(models):
        for name in files:
            if not name.endswith('.gltf'):
                continue
            with open(os.path.join(folder, name), encoding='utf-8') as f:
                gltf = json.load(f)
            blobs = []
            for buffer in gltf.get('buffers', []):
                uri = buffer.get('uri', '')
                if uri.startswith('data:'):
                    blobs.append(base64.b64decode(uri.split(',', 1)[1]))
                else:
                    with open(os.path.join(folder, uri), 'rb') as b:
                        blobs.append(b.read())
                    buffer['uri'] = ('data:application/octet-stream;base64,' +
                                     base64.b64encode(blobs[-1]).decode('ascii'))
            stem = os.path.splitext(name)[0]
            with open(os.path.join(out, stem + '.gltf'), 'w', encoding='utf-8') as f:
                json.dump(gltf, f, separators=(',', ':'))
            if len(blobs) == 1:  # a .glb carries one binary buffer
                del gltf['buffers'][0]['uri']
                text = json.dumps(gltf, separators=(',', ':')).encode('utf-8')
                text += b' ' * (-len(text) % 4)
                blob = blobs[0] + b'\0' * (-len(blobs[0]) % 4)
                body = (struct.pack('<I4s', len(text), b'JSON') + text +
                        struct.pack('<I4s', len(blob), b'BIN\0') + blob)
                with open(os.path.join(out, stem + '.glb'), 'wb') as f:
                    f.write(struct.pack('<4sII', b'glTF', 2, 12 + len(body)) + body)


if __name__ == '__main__':
    main()
