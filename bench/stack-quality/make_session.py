#!/usr/bin/env python3
"""A night of frames made independently of orva-cli's own sample generator, for checking
calibrated stacking as a user would meet it.

Differences from `orva-cli sample-session` on purpose: Moffat stars (beta 2.5) instead of
Gaussians, rotations about the frame centre, a sky level and transparency that drift through
the night, a sky gradient, faint nebulosity, vignetting with dust shadows, hot pixels and a
dark current that scale with exposure, cosmic rays and satellite trails.

    make_session.py DIR [--size W H] [--lights N] [--rotate DEG] [--shift PX] [--seed S]

Writes DIR/lights, DIR/bias, DIR/darks, DIR/flats as 16-bit FITS (BZERO 32768) with EXPTIME
and DATE-OBS, and DIR/truth.npz: the noise-free first light (after flat correction, i.e. what
a perfect calibration and registration onto the first light gives), its star list and the
trail masks in the first light's coordinates.
"""
import argparse
import datetime as dt
import os

import numpy as np
from astropy.io import fits

BIAS = 500.0
READ_NOISE = 6.0
LIGHT_EXP = 300.0
DARK_EXP = 300.0
FLAT_EXP = 2.0


def moffat_stamp(img, x, y, flux, fwhm, beta=2.5):
    """Adds a Moffat star of total `flux` centred at (x, y) (pixel centres at integers)."""
    alpha = fwhm / (2.0 * np.sqrt(2.0 ** (1.0 / beta) - 1.0))
    r = int(np.ceil(alpha * 8))
    h, w = img.shape
    x0, x1 = max(int(x) - r, 0), min(int(x) + r + 1, w)
    y0, y1 = max(int(y) - r, 0), min(int(y) + r + 1, h)
    if x0 >= x1 or y0 >= y1:
        return
    # Supersample 3x3 within each pixel so the centroid and flux are unbiased.
    offs = (np.arange(3) - 1) / 3.0
    yy, xx = np.mgrid[y0:y1, x0:x1]
    acc = np.zeros(yy.shape)
    for oy in offs:
        for ox in offs:
            r2 = ((xx + ox - x) ** 2 + (yy + oy - y) ** 2) / alpha ** 2
            acc += (1.0 + r2) ** (-beta)
    acc *= (beta - 1.0) / (np.pi * alpha ** 2) / 9.0
    img[y0:y1, x0:x1] += flux * acc


def flat_field(h, w, rng):
    yy, xx = np.mgrid[0:h, 0:w]
    cx, cy = w / 2.0, h / 2.0
    r2 = ((xx - cx) ** 2 + (yy - cy) ** 2) / (cx ** 2 + cy ** 2)
    flat = 1.0 - 0.35 * r2  # vignetting to 65 % in the corners
    for _ in range(4):  # dust donuts
        dx, dy = rng.uniform(0.1, 0.9) * w, rng.uniform(0.1, 0.9) * h
        rad = rng.uniform(15, 40)
        d = np.hypot(xx - dx, yy - dy)
        flat *= 1.0 - 0.12 * np.exp(-((d - rad * 0.6) / (rad * 0.35)) ** 2)
    flat *= 1.0 + 0.01 * rng.standard_normal((h, w))  # pixel response
    return flat


def write_fits(path, data, exptime, date, imagetyp):
    hdu = fits.PrimaryHDU(np.clip(np.rint(data), 0, 65535).astype(np.uint16))
    hdu.header["IMAGETYP"] = imagetyp
    hdu.header["EXPTIME"] = exptime
    hdu.header["DATE-OBS"] = date.strftime("%Y-%m-%dT%H:%M:%S")
    hdu.writeto(path, overwrite=True)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("dir")
    ap.add_argument("--size", nargs=2, type=int, default=[2000, 1300])
    ap.add_argument("--lights", type=int, default=12)
    ap.add_argument("--rotate", type=float, default=1.5)
    ap.add_argument("--shift", type=float, default=15.0)
    ap.add_argument("--seed", type=int, default=11)
    ap.add_argument("--calib", type=int, default=10, help="bias, darks and flats each")
    a = ap.parse_args()
    rng = np.random.default_rng(a.seed)
    w, h = a.size
    for sub in ("lights", "bias", "darks", "flats"):
        os.makedirs(os.path.join(a.dir, sub), exist_ok=True)

    # The sky in the first light's coordinates, with a margin for shifted and turned frames.
    n_stars = int(w * h / 4000)
    margin = 0.1 * max(w, h)
    sx = rng.uniform(-margin, w + margin, n_stars)
    sy = rng.uniform(-margin, h + margin, n_stars)
    sflux = 3000.0 * rng.pareto(1.3, n_stars) + 600.0
    sflux = np.minimum(sflux, 2.5e6)
    blobs = [(rng.uniform(0, w), rng.uniform(0, h), rng.uniform(60, 200), rng.uniform(8, 25))
             for _ in range(5)]

    flat = flat_field(h, w, rng)
    dark_rate = np.abs(0.02 + 0.01 * rng.standard_normal((h, w)))  # e-/s
    hot = (rng.integers(0, h, 200), rng.integers(0, w, 200))
    dark_rate[hot] = rng.uniform(5, 60, 200)
    column = 3.0 * rng.standard_normal(w)  # bias column pattern
    bias_frame = BIAS + column[None, :]

    def render(k, tx, ty, theta, sky_level, transparency):
        """The noise-free sky of light k in its own pixels (before flat, e-)."""
        c, s = np.cos(theta), np.sin(theta)
        cx, cy = (w - 1) / 2.0, (h - 1) / 2.0
        px = c * (sx - cx) - s * (sy - cy) + cx + tx
        py = s * (sx - cx) + c * (sy - cy) + cy + ty
        img = np.zeros((h, w))
        fwhm = 3.6 + 0.25 * np.sin(k)  # seeing changes a little
        for x, y, f in zip(px, py, sflux):
            if -20 < x < w + 20 and -20 < y < h + 20:
                moffat_stamp(img, x, y, f * transparency, fwhm)
        stars = img.copy()
        yy, xx = np.mgrid[0:h, 0:w]
        # Sky coordinates of each pixel (inverse transform) for the gradient and nebulosity.
        ux = c * (xx - cx - tx) + s * (yy - cy - ty) + cx
        uy = -s * (xx - cx - tx) + c * (yy - cy - ty) + cy
        img += sky_level * (1.0 + 0.15 * (ux / w) + 0.08 * (uy / h))
        for bx, by, br, ba in blobs:
            img += ba * transparency * np.exp(-((ux - bx) ** 2 + (uy - by) ** 2) / (2 * br ** 2))
        return img, stars, (px, py), fwhm

    start = dt.datetime(2026, 11, 3, 21, 0, 0)
    truth = None
    trails = []
    moves = []  # (tx, ty, theta) of each light: where a sky point of light 1 lands
    for k in range(a.lights):
        if k == 0:
            tx = ty = theta = 0.0
        else:
            tx, ty = rng.uniform(-a.shift, a.shift, 2)
            theta = np.radians(rng.uniform(-a.rotate, a.rotate))
        moves.append((tx, ty, theta))
        sky_level = 800.0 + 60.0 * k  # the sky brightens through the night
        transparency = 1.0 - 0.03 * k + 0.02 * rng.standard_normal()
        sig, stars, pos, fwhm = render(k, tx, ty, theta, sky_level, transparency)
        if k == 0:
            truth = dict(model=sig.copy(), stars=stars, star_x=pos[0], star_y=pos[1], star_flux=sflux,
                         fwhm=fwhm)
        light = sig * flat
        if k in (3, 7 % max(a.lights, 1)):  # satellite trails
            yy, xx = np.mgrid[0:h, 0:w]
            x0, y0 = rng.uniform(0, w), 0.0
            ang = rng.uniform(0.3, 1.2)
            d = np.abs((xx - x0) * np.sin(ang) - (yy - y0) * np.cos(ang))
            trail = 900.0 * np.exp(-(d ** 2) / (2 * 1.2 ** 2))
            light += trail * flat
            # The trail's footprint in the first light's coordinates.
            c, s = np.cos(theta), np.sin(theta)
            cx, cy = (w - 1) / 2.0, (h - 1) / 2.0
            rx = c * (xx - cx) - s * (yy - cy) + cx + tx
            ry = s * (xx - cx) + c * (yy - cy) + cy + ty
            dd = np.abs((rx - x0) * np.sin(ang) - (ry - y0) * np.cos(ang))
            trails.append(dd < 1.5)
        light += dark_rate * LIGHT_EXP
        light = rng.poisson(np.maximum(light, 0)).astype(np.float64)
        cr = (rng.integers(0, h, 50), rng.integers(0, w, 50))
        light[cr] += rng.uniform(2000, 30000, 50)
        light += bias_frame + READ_NOISE * rng.standard_normal((h, w))
        write_fits(os.path.join(a.dir, "lights", "light_%03d.fits" % (k + 1)), light,
                   LIGHT_EXP, start + dt.timedelta(seconds=330 * k), "Light Frame")
    for k in range(a.calib):
        b = bias_frame + READ_NOISE * rng.standard_normal((h, w))
        write_fits(os.path.join(a.dir, "bias", "bias_%03d.fits" % (k + 1)), b, 0.0,
                   start - dt.timedelta(hours=2, seconds=-k), "Bias Frame")
        d = rng.poisson(dark_rate * DARK_EXP).astype(np.float64)
        d += bias_frame + READ_NOISE * rng.standard_normal((h, w))
        write_fits(os.path.join(a.dir, "darks", "dark_%03d.fits" % (k + 1)), d, DARK_EXP,
                   start - dt.timedelta(hours=1, seconds=-DARK_EXP * k), "Dark Frame")
        f = rng.poisson(25000.0 * flat).astype(np.float64)
        f += bias_frame + READ_NOISE * rng.standard_normal((h, w))
        write_fits(os.path.join(a.dir, "flats", "flat_%03d.fits" % (k + 1)), f, FLAT_EXP,
                   start - dt.timedelta(hours=3, seconds=-k), "Flat Field")
    tmask = np.zeros((h, w), bool)
    for t in trails:
        tmask |= t
    np.savez_compressed(os.path.join(a.dir, "truth.npz"), trail=tmask, moves=np.array(moves),
                        **truth)


if __name__ == "__main__":
    main()
