#!/usr/bin/env python3
"""Measures a stacked result against the truth written by make_session.py, with photutils
(star finding, centroids, apertures) and astropy's robust statistics, independently of ORVA.

    measure.py SESSION_DIR STACK.fits [STACK2.fits ...]

For each stack (one plane, or the mean of three) it fits stack = a * truth + b on the sky,
then prints one line: stars found, false stars, matched stars' median offset (dx, dy) and rms
error (px), median FWHM (px, second moments), flux ratio scatter, noise sigma, pixels beyond
5 sigma outside stars and edges, the trail's mean residual in sigma, and the large-scale
flatness (spread of 8x8-cell medians of the residual, in sigma).
"""
import sys

import numpy as np
from astropy.io import fits
from astropy.stats import mad_std, sigma_clipped_stats
from photutils.aperture import CircularAnnulus, CircularAperture, aperture_photometry
from photutils.detection import DAOStarFinder
from photutils.morphology import data_properties
from scipy import ndimage


def load(path):
    d = fits.getdata(path).astype(np.float64)
    if d.ndim == 3:
        d = d.mean(axis=0)
    return d


def fwhm_of(img, x, y, r=7):
    y0, x0 = int(round(y)) - r, int(round(x)) - r
    if y0 < 0 or x0 < 0 or y0 + 2 * r + 1 > img.shape[0] or x0 + 2 * r + 1 > img.shape[1]:
        return np.nan
    cut = img[y0:y0 + 2 * r + 1, x0:x0 + 2 * r + 1].copy()
    cut -= np.median(np.concatenate([cut[0], cut[-1], cut[:, 0], cut[:, -1]]))
    props = data_properties(np.clip(cut, 0, None))
    a, b = props.semimajor_sigma.value, props.semiminor_sigma.value
    return 2.3548 * np.sqrt((a * a + b * b) / 2.0)


def measure(truth, path):
    img = load(path)
    model = truth["model"]
    h, w = model.shape
    if img.shape != model.shape:
        return "%s: size %s, truth %s" % (path, img.shape, model.shape)
    sx, sy, sf = truth["star_x"], truth["star_y"], truth["star_flux"]
    # Star pixels: where the stars of the noise-free first light stand above a tenth of an
    # electron (seeing and resampling differ there), grown by two pixels.
    smask = ndimage.binary_dilation(truth["stars"] > 0.1, iterations=2)
    edge = np.zeros_like(smask)
    e = 40
    edge[:e], edge[-e:], edge[:, :e], edge[:, -e:] = True, True, True, True
    sky = ~smask & ~edge & np.isfinite(img)
    # Stack = a * truth + b on the sky (normalisation and flat scaling change both).
    A = np.vstack([model[sky], np.ones(sky.sum())]).T
    coef, *_ = np.linalg.lstsq(A, img[sky], rcond=None)
    a, b = coef
    resid = img - (a * model + b)
    sigma = mad_std(resid[sky])
    beyond = int(np.count_nonzero(np.abs(resid[sky]) > 5 * sigma))
    # The trail's residual against the sky beside it (4 to 10 px away), so that large-scale
    # residuals of the flat or the normalisation do not count as trail.
    tmask = truth["trail"] & sky
    near = ndimage.binary_dilation(truth["trail"], iterations=10)
    near &= ~ndimage.binary_dilation(truth["trail"], iterations=4) & sky
    trail = (float((np.mean(resid[tmask]) - np.mean(resid[near])) / sigma)
             if tmask.any() and near.any() else float("nan"))
    cells = []
    for cy in range(8):
        for cx in range(8):
            ys = slice(e + (h - 2 * e) * cy // 8, e + (h - 2 * e) * (cy + 1) // 8)
            xs = slice(e + (w - 2 * e) * cx // 8, e + (w - 2 * e) * (cx + 1) // 8)
            cell = resid[ys, xs][sky[ys, xs]]
            if cell.size:
                cells.append(np.median(cell))
    flat = (max(cells) - min(cells)) / sigma

    # Stars: found by photutils on the stack, matched to the truth within 2 px.
    _, med, std = sigma_clipped_stats(np.nan_to_num(img), sigma=3.0)
    found = DAOStarFinder(fwhm=3.7, threshold=10 * std)(np.nan_to_num(img) - med)
    if found is None:  # nothing star-like left (a ruined registration)
        return "%s: no stars found, sigma %.2f, beyond 5 sigma %d" % (path, sigma, beyond)
    inside = (sx > e) & (sx < w - e) & (sy > e) & (sy < h - e)
    tx, ty, tf = sx[inside], sy[inside], sf[inside]
    fx, fy = np.array(found["xcentroid"]), np.array(found["ycentroid"])
    keep = (fx > e) & (fx < w - e) & (fy > e) & (fy < h - e)
    fx, fy = fx[keep], fy[keep]
    dx, dy, matched = [], [], []
    false = 0
    for x, y in zip(fx, fy):
        d2 = (tx - x) ** 2 + (ty - y) ** 2
        j = int(np.argmin(d2))
        if d2[j] <= 4.0:
            dx.append(x - tx[j])
            dy.append(y - ty[j])
            matched.append(j)
        else:
            false += 1
    dx, dy = np.array(dx), np.array(dy)
    rms = float(np.sqrt(np.mean(dx ** 2 + dy ** 2))) if dx.size else float("nan")
    # FWHM and photometry of the brighter isolated matched stars.
    bright = [j for j in matched if 5000 < tf[j] < 4e5]
    fw = [fwhm_of(img, tx[j], ty[j]) for j in bright]
    pos = np.transpose([tx[bright], ty[bright]]) if bright else np.zeros((0, 2))
    ratio_scatter = float("nan")
    if len(bright) >= 5:
        ap, an = CircularAperture(pos, r=8), CircularAnnulus(pos, r_in=12, r_out=18)
        def flux(im):
            s = aperture_photometry(im, ap)["aperture_sum"]
            bg = aperture_photometry(im, an)["aperture_sum"] / an.area * ap.area
            return np.array(s - bg)
        ratio = flux(img) / (a * flux(model))
        ratio_scatter = float(mad_std(ratio) / np.median(ratio))
    return ("%s: stars %d, false %d, offset (%+.3f, %+.3f) rms %.3f px, FWHM %.2f, "
            "flux scatter %.4f, sigma %.2f, beyond 5 sigma %d, trail %+.3f sigma, "
            "flatness %.2f sigma" % (path, len(matched), false, np.median(dx) if dx.size else 0,
                                     np.median(dy) if dy.size else 0, rms, np.nanmedian(fw),
                                     ratio_scatter, sigma, beyond, trail, flat))


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    truth = dict(np.load(sys.argv[1] + "/truth.npz"))
    truth["model"] = truth["model"]
    fw = [fwhm_of(truth["model"], x, y) for x, y, f in
          zip(truth["star_x"], truth["star_y"], truth["star_flux"]) if 5000 < f < 4e5]
    print("truth: FWHM %.2f by the same measure (%.2f as rendered)" %
          (np.nanmedian(fw), float(truth["fwhm"])))
    for path in sys.argv[2:]:
        print(measure(truth, path), flush=True)


if __name__ == "__main__":
    main()
