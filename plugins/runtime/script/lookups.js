// The runtimes find a bone by name with a linear search, and the readers do so once per bone
// (its parent) and per slot: reading n bones costs n²/2 name comparisons, 2·10^8 for a chain of
// 20,000 bones, which this engine needs well over ten seconds for. An index beside the bone list
// answers each lookup at once, with the same result. The index is a plain object: this engine's
// Map searches its keys one by one.
export function indexBoneLookups(SkeletonData) {
    if (!SkeletonData || typeof SkeletonData.prototype.findBone !== "function")
        return;
    const linearFindBone = SkeletonData.prototype.findBone;
    SkeletonData.prototype.findBone = function (boneName) {
        if (!boneName || typeof boneName !== "string")
            return linearFindBone.call(this, boneName); // the runtime's own error, or its loose match
        const bones = this.bones;
        let index = this.kvxBoneIndex;
        if (!index || index.bones !== bones)
            index = this.kvxBoneIndex = { bones, byName: Object.create(null), indexed: 0 };
        // Readers only append bones; the first of equal names wins, as in the linear search.
        // Keys carry a prefix so that no bone name can be a special property.
        for (; index.indexed < bones.length; index.indexed++) {
            const bone = bones[index.indexed], key = "#" + bone.name;
            if (index.byName[key] === undefined)
                index.byName[key] = bone;
        }
        const bone = index.byName["#" + boneName];
        return bone === undefined ? null : bone;
    };
}
