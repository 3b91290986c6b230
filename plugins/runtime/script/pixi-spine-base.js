// The shared classes of the 3.8 runtime package without its display-object layer, which needs
// the rendering framework and draws nothing here.
export * from "pixi-spine-base-files/core/AttachmentType.mjs";
export * from "pixi-spine-base-files/core/BinaryInput.mjs";
export * from "pixi-spine-base-files/core/IAnimation.mjs";
export * from "pixi-spine-base-files/core/IConstraint.mjs";
export * from "pixi-spine-base-files/core/ISkeleton.mjs";
export * from "pixi-spine-base-files/core/TextureAtlas.mjs";
export * from "pixi-spine-base-files/core/TextureRegion.mjs";
export * from "pixi-spine-base-files/core/Utils.mjs";
export * from "pixi-spine-base-files/core/SkeletonBoundsBase.mjs";
export * from "pixi-spine-base-files/settings.mjs";
