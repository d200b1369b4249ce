#!/usr/bin/env python3
"""The same night stacked by astropy's ccdproc, as a reference made without ORVA: median
masters, ccd_process calibration, each light put onto the first by its TRUE move (from
make_session.py's truth, so registration errors cannot enter), the sky normalised as ORVA's
default does (additive with scaling, from sigma-clipped sky statistics), and ccdproc's
Combiner with sigma clipping 3,3.

    ccdproc_stack.py SESSION_DIR OUT.fits [--no-normalise]
"""
import glob
import sys

import numpy as np
from astropy import units as u
from astropy.io import fits
from astropy.nddata import CCDData
from astropy.stats import sigma_clipped_stats
from ccdproc import Combiner, ccd_process, combine, subtract_bias
from scipy import ndimage


def frames(session, kind):
    return [CCDData.read(p, unit="adu") for p in sorted(glob.glob("%s/%s/*.fits" % (session, kind)))]


def to_reference(data, move):
    """Resamples a light onto the first light: output pixel p of the reference comes from
    R(theta) (p - c) + c + t in the light."""
    tx, ty, theta = move
    h, w = data.shape
    c, s = np.cos(theta), np.sin(theta)
    cx, cy = (w - 1) / 2.0, (h - 1) / 2.0
    # scipy works in (row, col): in = M @ out + offset.
    m = np.array([[c, s], [-s, c]])  # (y, x) ordering of [[c, -s], [s, c]]
    centre = np.array([cy, cx])
    offset = centre + np.array([ty, tx]) - m @ centre
    return ndimage.affine_transform(data, m, offset=offset, order=3, mode="constant",
                                    cval=np.nan)


def main():
    session, out = sys.argv[1], sys.argv[2]
    normalise = "--no-normalise" not in sys.argv
    moves = np.load(session + "/truth.npz")["moves"]
    bias = combine(frames(session, "bias"), method="median")
    darks = [subtract_bias(d, bias) for d in frames(session, "darks")]
    dark = combine(darks, method="median")
    flats = [subtract_bias(f, bias) for f in frames(session, "flats")]
    flat = combine(flats, method="median", scale=lambda a: 1.0 / np.median(a))
    lights = frames(session, "lights")
    done = []
    ref_loc = ref_scale = None
    for k, light in enumerate(lights):
        cal = ccd_process(light, master_bias=bias, dark_frame=dark, master_flat=flat,
                          exposure_key="EXPTIME", exposure_unit=u.second, dark_scale=True)
        data = to_reference(np.asarray(cal.data, dtype=np.float64), moves[k])
        if normalise:
            _, loc, scale = sigma_clipped_stats(data[np.isfinite(data)], sigma=3.0)
            if k == 0:
                ref_loc, ref_scale = loc, scale
            data = (data - loc) * (ref_scale / scale) + ref_loc
        done.append(CCDData(np.nan_to_num(data, nan=0.0), unit="adu",
                            mask=~np.isfinite(data)))
    comb = Combiner(done)
    comb.sigma_clipping(low_thresh=3, high_thresh=3, func=np.ma.median)
    result = comb.average_combine()
    fits.PrimaryHDU(np.asarray(result.data, dtype=np.float32)).writeto(out, overwrite=True)


if __name__ == "__main__":
    main()
