#!/usr/bin/env python3
"""Writes a skinned glTF 2.0 model for timing the loader and the frame on a large mesh: a tube
of RINGS x SEGMENTS vertices along y on a chain of JOINTS joints, each vertex bound to the 4
joints nearest its ring with weights falling off over two joints' spacing, and one looping clip
that bends every joint back and forth about z. Usage:
  make_tube_model.py OUT.glb [RINGS SEGMENTS JOINTS]   (default 600 100 32: 60,000 vertices)"""
import math
import struct
import sys


def main():
    out = sys.argv[1]
    rings, segments, joints = (int(a) for a in (sys.argv[2:5] or (600, 100, 32)))
    length, radius, influences = 10.0, 0.5, 4
    spacing = length / (joints - 1)
    positions, normals, joint_ids, weights, indices = [], [], [], [], []
    for r in range(rings):
        y = length * r / (rings - 1)
        nearest = sorted(range(joints), key=lambda j: (abs(y - j * spacing), j))[:influences]
        w = [max(0.0, 1.0 - abs(y - j * spacing) / (2 * spacing)) for j in nearest]
        total = sum(w)
        w = [x / total for x in w]
        for s in range(segments):
            a = 2 * math.pi * s / segments
            positions += [radius * math.cos(a), y, radius * math.sin(a)]
            normals += [math.cos(a), 0.0, math.sin(a)]
            joint_ids += nearest
            weights += w
    for r in range(rings - 1):
        for s in range(segments):
            a, b = r * segments + s, r * segments + (s + 1) % segments
            indices += [a, b, a + segments, b, b + segments, a + segments]
    # Joint j stands spacing above its parent; inverse binds undo its rest height.
    inverse_binds = []
    for j in range(joints):
        inverse_binds += [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -j * spacing, 0, 1]
    keys = [0.0, 1.0, 2.0]
    angle = math.radians(8.0)
    rotations = []
    for t in keys:
        half = (angle if t == 1.0 else 0.0) / 2
        rotations += [0.0, 0.0, math.sin(half), math.cos(half)]

    blobs, views, accessors = [], [], []

    def add(data, fmt, count, kind, ctype, target=None, minmax=None):
        blob = struct.pack('<%d%s' % (len(data), fmt), *data)
        offset = sum(len(b) for b in blobs)
        blobs.append(blob + b'\0' * (-len(blob) % 4))
        view = {'buffer': 0, 'byteOffset': offset, 'byteLength': len(blob)}
        if target:
            view['target'] = target
        views.append(view)
        accessor = {'bufferView': len(views) - 1, 'componentType': ctype, 'count': count,
                    'type': kind}
        if minmax:
            accessor['min'], accessor['max'] = minmax
        accessors.append(accessor)
        return len(accessors) - 1

    n = rings * segments
    pos = add(positions, 'f', n, 'VEC3', 5126, 34962,
              ([-radius, 0.0, -radius], [radius, length, radius]))
    nor = add(normals, 'f', n, 'VEC3', 5126, 34962)
    jnt = add(joint_ids, 'H', n, 'VEC4', 5123, 34962)
    wgt = add(weights, 'f', n, 'VEC4', 5126, 34962)
    idx = add(indices, 'I', len(indices), 'SCALAR', 5125, 34963)
    ibm = add(inverse_binds, 'f', joints, 'MAT4', 5126)
    tim = add(keys, 'f', len(keys), 'SCALAR', 5126, None, ([0.0], [2.0]))
    rot = add(rotations, 'f', len(keys), 'VEC4', 5126)
    nodes = [{'mesh': 0, 'skin': 0}]
    for j in range(joints):
        node = {'name': 'joint %d' % j, 'translation': [0.0, spacing if j else 0.0, 0.0]}
        if j + 1 < joints:
            node['children'] = [j + 2]
        nodes.append(node)
    gltf = {
        'asset': {'version': '2.0', 'generator': 'make_tube_model.py'},
        'scene': 0, 'scenes': [{'nodes': [0, 1]}], 'nodes': nodes,
        'meshes': [{'primitives': [{'attributes': {'POSITION': pos, 'NORMAL': nor,
                                                   'JOINTS_0': jnt, 'WEIGHTS_0': wgt},
                                    'indices': idx}]}],
        'skins': [{'joints': list(range(1, joints + 1)), 'inverseBindMatrices': ibm}],
        'animations': [{'name': 'bend', 'samplers': [{'input': tim, 'output': rot}],
                        'channels': [{'sampler': 0, 'target': {'node': j + 1,
                                                               'path': 'rotation'}}
                                     for j in range(joints)]}],
        'bufferViews': views, 'accessors': accessors,
        'buffers': [{'byteLength': sum(len(b) for b in blobs)}],
    }
    import json
    text = json.dumps(gltf, separators=(',', ':')).encode()
    text += b' ' * (-len(text) % 4)
    blob = b''.join(blobs)
    body = struct.pack('<I4s', len(text), b'JSON') + text + struct.pack('<I4s', len(blob),
                                                                         b'BIN\0') + blob
    with open(out, 'wb') as f:
        f.write(struct.pack('<4sII', b'glTF', 2, 12 + len(body)) + body)


if __name__ == '__main__':
    main()
