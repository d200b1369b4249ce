#!/usr/bin/env python3
"""Synthetic lights for the live-stacking latency bench: 16-bit mono FITS of one star field,
each frame drifted by a few pixels and turned by a little, with sky noise.

usage: live_frames.py OUT_DIR WIDTH HEIGHT COUNT [PREFIX]
"""
import math
import os
import sys

import numpy as np
from astropy.io import fits


def stars(rng, width, height, count):
    x = rng.uniform(20, width - 20, count)
    y = rng.uniform(20, height - 20, count)
    peak = rng.uniform(800, 20000, count)
    return x, y, peak


def render(rng, width, height, field, dx, dy, angle):
    img = rng.normal(1000.0, 12.0, (height, width)).astype(np.float32)
    cx, cy = 0.5 * (width - 1), 0.5 * (height - 1)
    c, s = math.cos(angle), math.sin(angle)
    sigma = 1.4
    r = 6
    yy, xx = np.mgrid[-r:r + 1, -r:r + 1]
    for x0, y0, peak in zip(*field):
        x = c * (x0 - cx) - s * (y0 - cy) + cx + dx
        y = s * (x0 - cx) + c * (y0 - cy) + cy + dy
        ix, iy = int(round(x)), int(round(y))
        if ix - r < 0 or iy - r < 0 or ix + r >= width or iy + r >= height:
            continue
        fx, fy = x - ix, y - iy
        patch = peak * np.exp(-((xx - fx) ** 2 + (yy - fy) ** 2) / (2 * sigma * sigma))
        img[iy - r:iy + r + 1, ix - r:ix + r + 1] += patch.astype(np.float32)
    return np.clip(img, 0, 65535).astype(np.uint16)


def main():
    out, width, height, count = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
    prefix = sys.argv[5] if len(sys.argv) > 5 else "light"
    os.makedirs(out, exist_ok=True)
    rng = np.random.default_rng(7)
    field = stars(rng, width, height, max(200, width * height // 40000))
    for k in range(count):
        dx, dy = rng.uniform(-4, 4), rng.uniform(-4, 4)
        angle = math.radians(rng.uniform(-0.2, 0.2)) if k else 0.0
        data = render(rng, width, height, field, dx if k else 0, dy if k else 0, angle)
        hdu = fits.PrimaryHDU(data)
        hdu.header["EXPTIME"] = 60.0
        name = os.path.join(out, "%s_%03d.fits" % (prefix, k))
        hdu.writeto(name, overwrite=True)
        print(name, flush=True)


if __name__ == "__main__":
    main()
